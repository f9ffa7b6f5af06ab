// The maintenance subcommands of ostrand-cli against a running ostrand-devsim:
// one device by --ip/--port, many by --target/--targets-from, and the input
// they refuse without sending.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "../process.h"
#include "../../sim/sim_test_support.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class MaintenanceCli : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const unsigned pid = static_cast<unsigned>(getpid());
        // A block of its own, apart from the round-trip suite's.
        block_ = ProcessAddressBlock();
        dir_ = fs::path(testing::TempDir()) / ("maintenance_cli_" + std::to_string(pid));
        fs::create_directories(dir_);
        const nlohmann::json fleet = {
            {"base", block_ + "101"},
            {"devices",
             nlohmann::json::array({
                 {{"kind", "camera"}, {"port", 18082}, {"name", "门口"}, {"number", "100001"}},        // .101
                 {{"kind", "terminal"}, {"name", "T2"}, {"state", {{"maintenance", {{"password", "admin"}}}}}},  // .102
                 {{"kind", "camera"}, {"port", 80}},                                                   // .103
                 {{"kind", "camera"}, {"port", 80}},                                                   // .104
                 {{"kind", "terminal"}, {"faults", {{"refuse", true}}}},                               // .105
                 {{"kind", "terminal"}, {"faults", {{"malformed", true}}}},                            // .106
                 {{"kind", "camera"}, {"port", 18082},
                  {"state", {{"maintenance", {{"refuse", {{"modifyDeviceNumber", "编号已占用"}}}}}}}},  // .107
             })}};
        std::ofstream(dir_ / "fleet.json") << fleet.dump(2);
        simulator_ = StartFleet(dir_, ready_).release();
    }
    static void TearDownTestSuite() {
        delete simulator_;
        simulator_ = nullptr;
        fs::remove_all(dir_);
    }
    void SetUp() override { ASSERT_TRUE(ready_) << sim::test::FileBytes(dir_ / "devsim.log"); }

    static std::string Ip(int device) { return block_ + std::to_string(100 + device); }
    static ProcessResult Cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
        return RunProcess(arguments, 30s);
    }
    static nlohmann::json Get(int device, const std::string& port) {
        const auto result = Cli({"--json", "get", "--ip", Ip(device), "--port", port, "getnetparam"});
        return nlohmann::json::parse(result.out).at("reply");
    }

    static inline std::string block_;
    static inline fs::path dir_;
    static inline BackgroundProcess* simulator_ = nullptr;
    static inline bool ready_ = false;
};

TEST_F(MaintenanceCli, RenameReachesTheDeviceAndBadNamesAreRefusedUnsent) {
    auto result = Cli({"rename", "--ip", Ip(1), "--port", "18082", "前台"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "更新成功\n");
    EXPECT_EQ(Get(1, "18082").at("devname"), "前台");

    struct Case {
        std::string name;
        std::string shown;
    };
    const std::vector<Case> refused = {
        {std::string(31, 'n'), "输入字符大于30或为空\n"},
        {"门口/北", "名称［门口/北］中不能包含下列字符：\n\n    , < > ? * | \\ / : \n"},
        {"乗", "名称［乗］中不能包含下列字符：\n\n    , < > ? * | \\ / : \n"},
        {"cam\xF0\x9F\x98\x80", "新设备名含有GBK无法表示的字符，未发送\n"},
    };
    for (const Case& c : refused) {
        result = Cli({"rename", "--ip", Ip(1), "--port", "18082", c.name});
        EXPECT_EQ(result.exitCode, 9) << c.name;
        EXPECT_EQ(result.out, c.shown);
    }
    EXPECT_EQ(Get(1, "18082").at("devname"), "前台");
}

TEST_F(MaintenanceCli, SetIdPasswordAndJson) {
    auto result = Cli({"--json", "set-id", "--ip", Ip(2), "--port", "60005", "12345678", "QZ-T2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document.at("text"), "设置成功!");
    EXPECT_TRUE(document.at("succeeded").get<bool>());
    EXPECT_EQ(Get(2, "60005").at("deviceNumber"), "12345678");

    result = Cli({"set-id", "--ip", Ip(7), "--port", "18082", "123456", "QZ-7"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_EQ(result.out, "编号已占用\n设置失败!\n");

    // The terminal holds "admin" as sent in plain mode.
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "admin", "new"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_EQ(result.out, "更新失败\n");
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "--version", "TD-3.9.2000", "admin", "new"});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.out, "更新成功\n");
    result = Cli({"passwd", "--ip", Ip(2), "--port", "60005", "new", std::string(33, 'p')});
    EXPECT_EQ(result.exitCode, 9);
}

TEST_F(MaintenanceCli, TargetOptionsAreCheckedBeforeAnythingIsSent) {
    struct Case {
        std::vector<std::string> arguments;
        std::string errorPart;
    };
    const std::vector<Case> cases = {
        {{"reboot", "--target", "127.0.0.1"}, "IP:PORT"},
        {{"reboot", "--target", "127.0.0.1:0"}, "IP:PORT"},
        {{"reboot", "--target", "300.1.1.1:80"}, "IP:PORT"},
        {{"reboot"}, "--ip and --port"},
        {{"reboot", "--ip", Ip(3)}, "--ip and --port"},
        {{"sync-time", "--ip", Ip(3), "--port", "80", "--target", Ip(4) + ":80"}, "not both"},
        {{"rename", "--targets-from", (dir_ / "missing.json").string(), "x"}, "cannot read"},
        {{"log", "--target", Ip(3) + ":80", "x"}, "--target"},
    };
    for (const Case& c : cases) {
        const auto result = Cli(c.arguments);
        EXPECT_NE(result.exitCode, 0) << c.arguments[1];
        EXPECT_NE(result.err.find(c.errorPart), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
    std::ofstream(dir_ / "bad.json") << "{\"not\": \"an array\"}";
    const auto result = Cli({"reboot", "--targets-from", (dir_ / "bad.json").string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("JSON array"), std::string::npos) << result.err;
}

TEST_F(MaintenanceCli, FleetFromAScanFileOneLinePerDeviceAndASummary) {
    // The shape `ostrand-cli scan --json` prints (only the two keys are read).
    const nlohmann::json scan = nlohmann::json::array({
        {{"IPAddress", Ip(3)}, {"Http Port", "80"}, {"Device Name", "a"}},
        {{"IPAddress", Ip(4)}, {"Http Port", "80"}, {"Device Name", "b"}},
    });
    std::ofstream(dir_ / "scan.json") << scan.dump();
    auto result = Cli({"sync-time", "--targets-from", (dir_ / "scan.json").string(), "--jobs", "2"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find(Ip(3) + ":80\t成功\t时间更新成功\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(Ip(4) + ":80\t成功\t时间更新成功\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("2 devices: 2 succeeded, 0 failed\n"), std::string::npos);
    EXPECT_EQ(Get(3, "80").at("year").get<std::string>().size(), 4u);

    // One device refuses connections, one answers garbage, one is not on port 80.
    result = Cli({"--json", "reboot", "--targets-from", (dir_ / "scan.json").string(), "--target",
                  Ip(5) + ":60005", "--target", Ip(6) + ":60005"});
    EXPECT_EQ(result.exitCode, 10);
    const auto document = nlohmann::json::parse(result.out);
    EXPECT_EQ(document.at("succeeded"), 2);
    EXPECT_EQ(document.at("failed"), 2);
    for (const auto& device : document.at("devices")) {
        const bool healthy = device.at("ip") == Ip(3) || device.at("ip") == Ip(4);
        EXPECT_EQ(device.at("succeeded"), healthy) << device.dump();
        // A failed device carries the channel's own text.
        if (!healthy) {
            EXPECT_FALSE(device.at("messages").empty()) << device.dump();
        }
    }

    result = Cli({"sync-time", "--target", Ip(1) + ":18082"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_NE(result.out.find("\t失败\t该设备不支持该功能\n"), std::string::npos) << result.out;
}

TEST_F(MaintenanceCli, LogArchiveGetsItsEnding) {
    const auto result = Cli({"log", "--ip", Ip(1), "--port", "18082", (dir_ / "devlog").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "下载成功\n");
    EXPECT_TRUE(fs::exists(dir_ / "devlog.tar.gz"));
    EXPECT_FALSE(fs::exists(dir_ / "devlog"));
}

TEST_F(MaintenanceCli, GarbageGivesTheFailureTextNotACrash) {
    const auto result = Cli({"rename", "--ip", Ip(6), "--port", "60005", "x"});
    EXPECT_EQ(result.exitCode, 10);
    EXPECT_NE(result.out.find("更新失败\n"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace ostrand::cli::test
