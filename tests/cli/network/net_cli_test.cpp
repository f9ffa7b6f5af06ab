// netparam, ntp, serial and switches of ostrand-cli against a running
// ostrand-devsim: values written are read back, bad values are refused with
// nothing sent, failing devices give the failure texts and exit statuses.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <thread>

#include "../fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A device text holding a line feed, a tab, an ESC sequence and "=".
const std::string kHostile = "a\nb\tc\x1b[2J=d";
// A whole fleet line for a device that does not exist.
const std::string kFakeLine = "x\n9.9.9.9:60005\t成功\tok";

class NetCli : public FleetSuite<NetCli> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("net_cli");
        const nlohmann::json fleet = {
            {"base", block_ + "101"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "camera"}, {"port", 80}, {"state", {{"network", {{"netparam", {{"AutoIp", "no"}}}}}}}},
                 {{"kind", "terminal"}, {"state", {{"network", {{"setType", "0"}, {"debuglog", "1"}}}}}},
                 {{"kind", "terminal"}, {"state", {{"network", {{"refuse", {{"7010", "日志已锁定"}, {"5026", ""}}}}}}}},
                 {{"kind", "terminal"}, {"faults", {{"malformed", true}}}},
                 {{"kind", "terminal"}, {"faults", {{"dropConnection", true}}}},
                 {{"kind", "terminal"}},
                 // 7: every text it sends tries to start lines and fields of its own.
                 {{"kind", "terminal"},
                  {"replies",
                   {{"5027", {{"NtpServer0", kHostile}, {"NtpPort0", kFakeLine}}},
                    {"getnetparam", {{"MasterPort", kHostile}}},
                    {"7009", {{"result", "10001"}, {"errmsg", kFakeLine}}},
                    {"7010", {{"result", "10001"}, {"errmsg", kHostile}}}}}},
                 // 8: refuses every command.
                 {{"kind", "terminal"}, {"faults", {{"result", "10001"}, {"errmsg", "拒绝"}}}},
             })}};
        ServeFleet(fleet);
    }
    static std::string Ip(int device) { return block_ + std::to_string(100 + device); }
    static std::vector<std::string> At(int device, int port = 60005) {
        return {"--ip", Ip(device), "--port", std::to_string(port)};
    }
    static ProcessResult Cli(std::vector<std::string> arguments, const std::vector<std::string>& device = {}) {
        arguments.insert(arguments.end(), device.begin(), device.end());
        return RunCli(std::move(arguments));
    }
};

TEST_F(NetCli, NetparamSetOnACameraIsReadBack) {
    auto set = Cli({"netparam", "set", "--gateway", block_ + "254", "--master", "a.example.com;10.0.0.1",
                    "--master-port", "9000", "--mac", "02:AA:00:11:22:33"}, At(1, 80));
    // The MAC's first pair cannot change; anything else of it can.
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "保存成功，设备即将重启\n");
    auto get = Cli({"--json", "netparam", "get"}, At(1, 80));
    ASSERT_EQ(get.exitCode, 0) << get.err;
    const auto values = nlohmann::json::parse(get.out)["values"];
    EXPECT_EQ(values["gateway"], block_ + "254");
    EXPECT_EQ(values["master"], "a.example.com;10.0.0.1");
    EXPECT_EQ(values["master-port"], "9000");
    EXPECT_EQ(values["mac"], "02AA00112233");
    EXPECT_EQ(values["static-ip"], "on");

    auto english = Cli({"--english", "netparam", "set", "--gateway", "10.9.9.9"}, At(1, 80));
    EXPECT_EQ(english.exitCode, 9);
    EXPECT_EQ(english.err, "IP and GateWay in different network segment\nSave Fail\n");
}

TEST_F(NetCli, NetparamRefusesBadValuesWithNothingSent) {
    struct Case {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"--master", std::string(76, 'a')}, "输入的主控服务器地址超过75个字符\n保存失败\n"},
        {{"--master", "a.com;b.com;c.com;d.com;e.com"}, "输入的域名地址超过4个\n保存失败\n"},
        {{"--master", "\xF0\x9F\x98\x80.cn"}, "not UTF-8 text that GBK can hold"},
        {{"--ipaddress", "10.0.0.300"}, "--ipaddress takes a dotted IPv4 address"},
        {{"--ipaddress", "127.0.0.9"}, "IP地址在此设备上不可修改，未发送\n"},  // a terminal: not editable
        {{"--mac", "00112233445G"}, "--mac takes twelve hexadecimal digits"},
    };
    for (const Case& c : cases) {
        const auto run = Cli([&] {
            std::vector<std::string> arguments{"netparam", "set"};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            return arguments;
        }(), At(6));
        EXPECT_NE(run.exitCode, 0) << c.arguments[0];
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    auto get = Cli({"netparam", "get"}, At(6));
    EXPECT_NE(get.out.find("master=0.0.0.0\n"), std::string::npos) << get.out;  // nothing was stored
    EXPECT_NE(get.out.find("self-built=off\n"), std::string::npos) << get.out;

    auto several = Cli({"netparam", "set", "--ipaddress", "127.0.0.9", "--target", Ip(2) + ":60005", "--target",
                        Ip(6) + ":60005"});
    EXPECT_EQ(several.exitCode, 64);  // a usage error
    EXPECT_NE(several.err.find("--ipaddress is different for every device"), std::string::npos) << several.err;
    auto neither = Cli({"netparam", "set", "--no-master"});
    EXPECT_EQ(neither.exitCode, 64);
    EXPECT_NE(neither.err.find("--ip and --port"), std::string::npos) << neither.err;
    auto noPort = Cli({"netparam", "set", "--no-master", "--ip", Ip(6)});
    EXPECT_EQ(noPort.exitCode, 64) << noPort.err;
}

TEST_F(NetCli, SerialNtpAndSwitchesRoundTripOnSeveralDevices) {
    auto serial = Cli({"serial", "get"}, At(2));
    EXPECT_EQ(serial.out, "setType=0\nname=考勤机\n");
    auto fleet = Cli({"serial", "set", "云台", "--target", Ip(2) + ":60005", "--target", Ip(6) + ":60005"});
    EXPECT_EQ(fleet.exitCode, 0) << fleet.out << fleet.err;
    EXPECT_NE(fleet.out.find(Ip(2) + ":60005\t成功\t设置成功,请重启设备！\n"), std::string::npos) << fleet.out;
    EXPECT_NE(fleet.out.find("2 devices: 2 succeeded, 0 failed"), std::string::npos) << fleet.out;
    EXPECT_EQ(Cli({"serial", "get"}, At(2)).out, "setType=1\nname=云台\n");

    auto ntp = Cli({"ntp", "set", "2=ntp.example.cn:1123", "0=10.0.0.5"}, At(2));
    EXPECT_EQ(ntp.exitCode, 0) << ntp.err;
    EXPECT_EQ(ntp.out, "设置成功\n");
    const auto table = Cli({"ntp", "get"}, At(2)).out;
    EXPECT_NE(table.find("NtpServer0=10.0.0.5\nNtpServer1=\nNtpServer2=ntp.example.cn\n"), std::string::npos)
        << table;
    EXPECT_NE(table.find("NtpPort2=1123\n"), std::string::npos) << table;
    EXPECT_EQ(Cli({"ntp", "set", "5=x"}, At(2)).exitCode, 64);
    auto refused = Cli({"ntp", "set", "1=y"}, At(3));
    EXPECT_EQ(refused.exitCode, 10);
    EXPECT_EQ(refused.err, "设置失败\n");

    auto switches = Cli({"switches", "set", "--stream", "off", "--debuglog", "off"}, At(2));
    EXPECT_EQ(switches.out, "设置成功!\n设置成功\n");
    EXPECT_EQ(Cli({"switches", "get"}, At(2)).out, "debuglog=off\n");
    auto locked = Cli({"switches", "set", "--debuglog", "on"}, At(3));
    EXPECT_EQ(locked.exitCode, 10);
    EXPECT_EQ(locked.err, "日志已锁定\n");
    EXPECT_EQ(Cli({"switches", "set"}, At(2)).exitCode, 64);
}

TEST_F(NetCli, GarbageAndSilenceGiveTheFailureTexts) {
    auto garbage = Cli({"netparam", "get"}, At(4));
    EXPECT_EQ(garbage.exitCode, 8);
    EXPECT_EQ(garbage.err, "解码失败\n");
    auto garbageSet = Cli({"netparam", "set", "--no-master"}, At(4));
    EXPECT_EQ(garbageSet.exitCode, 8);
    auto dropped = Cli({"serial", "set", "0"}, At(5));
    EXPECT_EQ(dropped.exitCode, 5);
    EXPECT_NE(dropped.err.find("设置失败"), std::string::npos) << dropped.err;
    auto ntp = Cli({"--json", "ntp", "get"}, At(4));
    EXPECT_EQ(ntp.exitCode, 8);
    EXPECT_EQ(nlohmann::json::parse(ntp.out)["messages"], nlohmann::json::array({"xml data is Err"}));
    auto fleet = Cli({"switches", "set", "--stream", "on", "--no-upgrade-check", "--target", Ip(4) + ":60005", "--target",
                      Ip(6) + ":60005", "--jobs", "2"});
    EXPECT_EQ(fleet.exitCode, 8);
    EXPECT_NE(fleet.out.find(Ip(4) + ":60005\t失败\txml data is Err; 设置失败!\n"), std::string::npos) << fleet.out;
    EXPECT_NE(fleet.out.find("2 devices: 1 succeeded, 1 failed"), std::string::npos) << fleet.out;
    // The fleet form asks the kernel-upgrade state first; a device that cannot say is not changed.
    auto checked = Cli({"switches", "set", "--stream", "on", "--target", Ip(4) + ":60005"});
    EXPECT_EQ(checked.exitCode, 8);
    EXPECT_NE(checked.out.find(Ip(4) + ":60005\t失败\t内核升级状态查询失败"), std::string::npos) << checked.out;
}

// Every failure class ends with its status of the one table, reads and
// writes alike, on one device and in the fleet form.
TEST_F(NetCli, EachFailureClassHasItsExitStatus) {
    const std::string dead = Ip(60);  // nothing listens there: the connection is refused
    struct Case {
        std::vector<std::string> arguments;
        std::string ip;
        int status;
    };
    const std::vector<Case> cases{
        {{"netparam", "get"}, dead, 1},
        {{"netparam", "set", "--no-master"}, dead, 1},
        {{"ntp", "get"}, dead, 1},
        {{"ntp", "set", "1=a"}, dead, 1},
        {{"serial", "get"}, dead, 1},
        {{"serial", "set", "0"}, dead, 1},
        {{"switches", "get"}, dead, 1},
        {{"switches", "set", "--stream", "on"}, dead, 1},
        {{"serial", "get"}, Ip(5), 5},       // the connection closes without a reply
        {{"ntp", "set", "1=a"}, Ip(8), 10},  // the device refuses
        {{"switches", "get"}, Ip(8), 10},
        {{"serial", "set", "1"}, Ip(8), 10},
        {{"netparam", "set", "--master", std::string(76, 'a')}, Ip(6), 9},  // the page's checks
        {{"ntp", "set", "7=x"}, Ip(6), 64},
        {{"ntp", "set", "1=a:b"}, Ip(6), 64},
        {{"ntp", "set", "1=\xF0\x9F\x98\x80"}, Ip(6), 64},  // GBK cannot hold it
        {{"switches", "set"}, Ip(6), 64},
        {{"netparam", "set", "--static-ip", "maybe"}, Ip(6), 64},
        {{"netparam", "set", "--dns", "1.2.3"}, Ip(6), 64},
    };
    for (const Case& c : cases) {
        const auto single = Cli(c.arguments, {"--ip", c.ip, "--port", "60005"});
        EXPECT_EQ(single.exitCode, c.status) << c.arguments[0] << " " << c.arguments[1] << " " << c.ip << "\n"
                                             << single.out << single.err;
        if (c.status == 64 || c.ip == Ip(6)) continue;
        const auto fleet = Cli(c.arguments, {"--no-upgrade-check", "--target", c.ip + ":60005", "--target",
                                             Ip(6) + ":60005"});
        EXPECT_EQ(fleet.exitCode, c.status) << c.arguments[0] << " " << c.arguments[1] << "\n" << fleet.out;
        EXPECT_NE(fleet.out.find(c.ip + ":60005\t失败\t"), std::string::npos) << fleet.out;
        EXPECT_NE(fleet.out.find("2 devices: 1 succeeded, 1 failed\n"), std::string::npos) << fleet.out;
    }
}

// What a device sends is one escaped field of one line, plain or in the
// fleet form, and --json is one JSON document.
TEST_F(NetCli, DeviceTextsForgeNoLines) {
    const std::string hostile = "a\\nb\\tc\\x1b[2J=d";
    const std::string fake = "x\\n9.9.9.9:60005\\t成功\\tok";
    struct Case {
        std::vector<std::string> arguments;
        std::string expected;  // in the plain output of one device (stdout and stderr)
    };
    const std::vector<Case> cases{
        {{"ntp", "get"}, "NtpServer0=" + hostile + "\n"},
        {{"ntp", "get"}, "NtpPort0=" + fake + "\n"},
        {{"netparam", "get"}, "master-port=" + hostile + "\n"},
        {{"switches", "get"}, fake + "\n"},
        {{"switches", "set", "--debuglog", "on"}, hostile + "\n"},
    };
    for (const Case& c : cases) {
        const auto single = Cli(c.arguments, At(7));
        const std::string all = single.out + single.err;
        EXPECT_NE(all.find(c.expected), std::string::npos) << all;
        EXPECT_EQ(all.find('\x1b'), std::string::npos) << all;
        EXPECT_EQ(all.find("\n9.9.9.9"), std::string::npos) << all;
        const auto fleet = Cli(c.arguments, {"--target", Ip(7) + ":60005", "--target", Ip(6) + ":60005"});
        std::size_t lines = 0;
        for (char ch : fleet.out) lines += ch == '\n' ? 1 : 0;
        EXPECT_EQ(lines, 3u) << fleet.out;  // two devices and the summary
        EXPECT_EQ(fleet.out.find('\x1b'), std::string::npos) << fleet.out;
        for (const auto& form : {std::vector<std::string>{"--ip", Ip(7), "--port", "60005"},
                                 std::vector<std::string>{"--target", Ip(7) + ":60005", "--target",
                                                          Ip(6) + ":60005"}}) {
            std::vector<std::string> json{"--json"};
            json.insert(json.end(), c.arguments.begin(), c.arguments.end());
            const auto run = Cli(json, form);
            EXPECT_TRUE(nlohmann::json::accept(run.out)) << run.out;
        }
    }
}

}  // namespace
}  // namespace ostrand::cli::test
