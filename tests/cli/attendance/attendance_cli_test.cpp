// The attendance subcommands against a running ostrand-devsim: the dialogs'
// checks and texts, exit statuses, and nothing sent after a refusal.

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

const std::string kHostile = "a\nb\tc\x1b[2J=d";
const std::string kFakeLine = "x\n9.9.9.9:60005\t成功\tok";

class AttendanceCli : public FleetSuite<AttendanceCli> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("attendance_cli");
        ip_ = block_ + "41";
        const nlohmann::json fleet = {
            {"base", ip_},
            {"devices", nlohmann::json::array({
                 {{"kind", "terminal"},
                  {"state", {{"attendance", {{"AttendType", "1&2&0"},
                                             {"BeginTime", "08:00&12:00&"},
                                             {"EndTime", "09:00&13:00&"},
                                             {"visitors", {{{"devicecode", "访客1"}, {"ip", "10.0.0.21"}, {"bind", 0}}}}}}}}},
                 // 2: refuses the periods read.
                 {{"kind", "terminal"}, {"replies", {{"5036", {{"result", "10001"}}}}}},
                 // 3: a server and bindings of its own.
                 {{"kind", "terminal"},
                  {"state", {{"attendance", {{"AttendIp", "10.0.0.9"}, {"AttendPort", "7000"},
                                             {"5042.devicenos", "A&B&C&D&"}}}}}},
                 // 4: every text it sends tries to start lines and fields of its own.
                 {{"kind", "terminal"},
                  {"replies", {{"7013", {{"interval", kHostile}}},
                               {"5043", {{"readcount", kFakeLine}}},
                               {"5042", {{"devicenos", kHostile + "&&&&"}}},
                               {"7003", {{"devicecode", "A&A&&"}, {"ip", "1.1.1.1&" + kHostile + "&3.3.3.3&"},
                                         {"bind", "1&0&&"}}},
                               {"7001", {{"result", "10001"}, {"errmsg", kFakeLine}}}}}},
                 // 5: refuses the server read; 6: refuses every command; 7: closes without replying.
                 {{"kind", "terminal"}, {"replies", {{"5020", {{"result", "10001"}, {"errmsg", "忙"}}}}}},
                 {{"kind", "terminal"}, {"faults", {{"result", "10001"}, {"errmsg", "拒绝"}}}},
                 {{"kind", "terminal"}, {"faults", {{"dropConnection", true}}}},
             })}};
        ServeFleet(fleet);
    }
    static ProcessResult Cli(std::vector<std::string> arguments) {
        // The target goes after the subcommand path ("terminal get door").
        arguments.insert(arguments.end(), {"--ip", ip_, "--port", "60005"});
        return RunCli(std::move(arguments));
    }

    // Device n of the fleet (1: the first).
    static std::string Ip(int device) { return block_ + std::to_string(40 + device); }
    static ProcessResult At(int device, std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--ip", Ip(device), "--port", "60005"});
        return RunCli(std::move(arguments));
    }
    static ProcessResult Fleet(std::vector<std::string> arguments, int device) {
        arguments.insert(arguments.end(), {"--target", Ip(device) + ":60005", "--target", Ip(1) + ":60005"});
        return RunCli(std::move(arguments));
    }

    static inline std::string ip_;
};

TEST_F(AttendanceCli, PeriodsSetAppliesChangesInOrderAndRefusesOverlaps) {
    const auto refused = Cli({"periods", "set", "2=1,08:30,10:00", "3=2,20:00,21:00"});
    EXPECT_EQ(refused.exitCode, 9);
    EXPECT_EQ(refused.err, "开始时间08:30和时间段0的时间08:00-09:00重叠，请重新输入\n");

    const auto set = Cli({"periods", "set", "2=1,10:00,10:00", "3=2,20:00,21:00"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("修改时间段3的时间20:00-21:00为签退状态\n设置成功!\n"), std::string::npos);

    const auto get = Cli({"periods", "get"});
    ASSERT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out.substr(0, 64), "0=1,08:00,09:00\n1=2,12:00,13:00\n2=1,10:00,10:00\n3=2,20:00,21:00\n");
    EXPECT_NE(get.out.find("\n15=0,,\n"), std::string::npos);
    // Empty times went out as 00:00.
    const auto wire = Cli({"xml", "--code", "5036"});
    EXPECT_NE(wire.out.find("EndTime=09:00&13:00&10:00&21:00&00:00&"), std::string::npos) << wire.out;
    EXPECT_EQ(Cli({"periods", "set", "16=1,01:00,02:00"}).exitCode, 9);
    EXPECT_EQ(Cli({"periods", "set", "4=1,25:00,26:00"}).exitCode, 64);
}

TEST_F(AttendanceCli, GroupsKeepTheDialogsChecks) {
    const auto door = Cli({"terminal", "set", "door", "alarm=off", "unlock=-1"});
    EXPECT_EQ(door.exitCode, 9);
    EXPECT_EQ(door.err, "输入开锁时间有误,参数范围需在0-254内\n");
    ASSERT_EQ(Cli({"terminal", "set", "gate", "inout=1,0,1,0", "sound=0,0,0,0"}).exitCode, 0);
    const auto gate = Cli({"--json", "terminal", "get", "gate"});
    ASSERT_EQ(gate.exitCode, 0) << gate.err;
    const auto document = nlohmann::json::parse(gate.out);
    EXPECT_EQ(document.at("values").at("sound"), "0,1,0,1,");  // inbound channels announce

    EXPECT_EQ(Cli({"card", "set", "--count", "12ab", "--time", "30"}).exitCode, 0);
    EXPECT_EQ(Cli({"card", "get"}).out, "count=12ab\ntime=30\n");
    EXPECT_EQ(Cli({"bind-qr", "set", "Q1", "", "Q1"}).err, "不可重复绑定!\n");
    const auto visitors = Cli({"visitors", "search", "--version", "V6.8.233"});
    EXPECT_EQ(visitors.out, "number\tbinding\tip\n访客1\t未绑定\t10.0.0.21\n");
    EXPECT_EQ(Cli({"visitors", "search", "--version", "V6.8.232"}).exitCode, 9);
}

// A write changes only what it names: the page is read first, and a read
// that fails or is refused sends nothing.
TEST_F(AttendanceCli, WritesReadThePageFirst) {
    struct Case {
        int device;
        std::vector<std::string> arguments;
        int status;
        std::vector<std::string> check;  // read after the write
        std::string expected;            // in the check's output
    };
    const std::vector<std::string> server{"terminal", "get", "server"};
    const std::vector<Case> cases{
        {2, {"periods", "set", "0=1,08:00,09:00"}, 10, {"xml", "--code", "5036"}, "AttendType=0&0&0&0&"},
        {2, {"periods", "get"}, 10, {"xml", "--code", "5036"}, "AttendType=0&0&0&0&"},
        {3, {"terminal", "set", "server", "port=7001"}, 0, server, "ip=10.0.0.9\nport=7001\n"},
        {3, {"terminal", "set", "server", "ip=10.0.0.8"}, 0, server, "ip=10.0.0.8\nport=7001\n"},
        {3, {"terminal", "set", "server"}, 64, server, "ip=10.0.0.8\nport=7001\n"},
        {5, {"terminal", "set", "server", "port=1"}, 10, {"xml", "--code", "5020"}, "AttendPort=\n"},
        {1, {"terminal", "set", "server", "port=1"}, 9, server, "selfrun=0\nip=0.0.0.0\nport=\n"},
        {3, {"bind-qr", "set", "Q9"}, 0, {"bind-qr", "get"}, "channel1=Q9\nchannel2=B\nchannel3=C\n"},
    };
    for (const Case& c : cases) {
        const auto run = At(c.device, c.arguments);
        EXPECT_EQ(run.exitCode, c.status) << c.arguments[0] << " " << c.arguments[1] << "\n" << run.out << run.err;
        if (c.status != 0) {
            EXPECT_EQ(run.out.find("0=0,,"), std::string::npos) << run.out;
        }
        const auto check = At(c.device, c.check);
        EXPECT_NE(check.out.find(c.expected), std::string::npos) << c.arguments[0] << "\n" << check.out;
    }
}

// Every failure class ends with its status of the one table, on one device
// and in the fleet form.
TEST_F(AttendanceCli, EachFailureClassHasItsExitStatus) {
    struct Case {
        int device;  // 0: an address where nothing listens
        std::vector<std::string> arguments;
        int status;
    };
    const std::vector<Case> cases{
        {0, {"terminal", "get", "door"}, 1},
        {0, {"terminal", "set", "server", "ip=1.2.3.4"}, 1},
        {0, {"periods", "get"}, 1},
        {0, {"card", "get"}, 1},
        {0, {"bind-ipc", "get"}, 1},
        {7, {"terminal", "get", "gate"}, 5},
        {7, {"periods", "set", "0=1,08:00,09:00"}, 5},
        {6, {"terminal", "get", "gate"}, 10},
        {6, {"terminal", "set", "mode", "mode=1.0"}, 10},
        {6, {"visitors", "search", "--version", "6.8.233"}, 10},
        {6, {"terminal", "get", "door"}, 10},  // no made-up values after a refused read
        {6, {"terminal", "get", "server"}, 10},
        {6, {"terminal", "get", "photo-server"}, 10},
        {6, {"card", "get"}, 10},
        {6, {"bind-ipc", "get"}, 10},
        {6, {"periods", "get"}, 10},
        {1, {"terminal", "set", "door", "alarm=off", "unlock=-1"}, 9},
        {1, {"card", "set", "--count", "999", "--time", "1"}, 9},
        {1, {"visitors", "search", "--version", "6.8.100"}, 9},
        {1, {"terminal", "set", "door", "alarm=maybe", "unlock=1"}, 64},
        {1, {"terminal", "set", "door", "alarm=on", "unlock=1", "x=1"}, 64},
        {1, {"terminal", "set", "door", "alarm=on"}, 64},
        {1, {"terminal", "set", "gate", "inout=1", "sound=0,0,0,0"}, 64},
        {1, {"terminal", "set", "photo-server"}, 64},
        {1, {"terminal", "set", "interval", "interval=\xF0\x9F\x98\x80"}, 64},
        {1, {"periods", "set", "2=x"}, 64},
        {1, {"visitors", "search"}, 64},
    };
    for (const Case& c : cases) {
        const std::string ip = c.device == 0 ? block_ + "200" : Ip(c.device);
        std::vector<std::string> single = c.arguments;
        single.insert(single.end(), {"--ip", ip, "--port", "60005"});
        const auto run = RunCli(single);
        EXPECT_EQ(run.exitCode, c.status) << c.arguments[0] << " " << c.arguments[1] << " " << ip << "\n"
                                          << run.out << run.err;
        if (c.status == 64 || c.device == 0) continue;
        std::vector<std::string> fleet = c.arguments;
        fleet.insert(fleet.end(), {"--no-upgrade-check", "--target", ip + ":60005", "--target", ip_ + ":60005"});
        const auto many = RunCli(fleet);
        EXPECT_EQ(many.exitCode, c.status) << c.arguments[0] << "\n" << many.out;
        if (c.device != 1) {
            EXPECT_NE(many.out.find(ip + ":60005\t失败\t"), std::string::npos) << many.out;
        }
    }
}

// What a terminal sends is one escaped field of one line; --json is one
// document, and a list is an array of rows.
TEST_F(AttendanceCli, DeviceTextsForgeNoLines) {
    const std::string hostile = "a\\nb\\tc\\x1b[2J=d";
    const std::string fake = "x\\n9.9.9.9:60005\\t成功\\tok";
    struct Case {
        std::vector<std::string> arguments;
        std::string expected;
    };
    const std::vector<Case> cases{
        {{"terminal", "get", "interval"}, "interval=" + hostile + "\n"},
        {{"card", "get"}, "count=" + fake + "\n"},
        {{"bind-qr", "get"}, "channel1=" + hostile + "\n"},
        {{"visitors", "search", "--version", "6.8.233"}, "A\t未绑定\t" + hostile + "\n"},
        {{"terminal", "set", "gate", "inout=0,0,0,0", "sound=1,1,1,1"}, fake + "\n"},
    };
    for (const Case& c : cases) {
        const auto single = At(4, c.arguments);
        const std::string all = single.out + single.err;
        EXPECT_NE(all.find(c.expected), std::string::npos) << all;
        EXPECT_EQ(all.find('\x1b'), std::string::npos) << all;
        EXPECT_EQ(all.find("\n9.9.9.9"), std::string::npos) << all;
        const auto fleet = Fleet(c.arguments, 4);
        EXPECT_EQ(fleet.out.find('\x1b'), std::string::npos) << fleet.out;
        EXPECT_EQ(fleet.out.find("\n9.9.9.9"), std::string::npos) << fleet.out;
        std::vector<std::string> json{"--json"};
        json.insert(json.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_TRUE(nlohmann::json::accept(At(4, json).out));
        EXPECT_TRUE(nlohmann::json::accept(Fleet(json, 4).out));
    }
    // Two machines with the same number are two rows.
    const auto rows = nlohmann::json::parse(At(4, {"--json", "visitors", "search", "--version", "6.8.233"}).out);
    ASSERT_EQ(rows.at("rows").size(), 3u) << rows.dump();
    EXPECT_EQ(rows["rows"][0]["number"], "A");
    EXPECT_EQ(rows["rows"][1]["number"], "A");
    EXPECT_EQ(rows["rows"][0]["binding"], "已绑定");
}

}  // namespace
}  // namespace ostrand::cli::test
