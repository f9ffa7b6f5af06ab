// The attendance subcommands against a running ostrand-devsim: the dialogs'
// checks and texts, exit statuses, and nothing sent after a refusal.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <thread>

#include "../process.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class AttendanceCli : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const unsigned pid = static_cast<unsigned>(getpid());
        ip_ = ProcessAddressBlock() + "41";
        dir_ = fs::path(testing::TempDir()) / ("attendance_cli_" + std::to_string(pid));
        fs::create_directories(dir_);
        const nlohmann::json fleet = {
            {"base", ip_},
            {"devices", nlohmann::json::array({
                 {{"kind", "terminal"},
                  {"state", {{"attendance", {{"AttendType", "1&2&0"},
                                             {"BeginTime", "08:00&12:00&"},
                                             {"EndTime", "09:00&13:00&"},
                                             {"visitors", {{{"devicecode", "访客1"}, {"ip", "10.0.0.21"}, {"bind", 0}}}}}}}}},
             })}};
        std::ofstream(dir_ / "fleet.json") << fleet.dump();
        simulator_ = StartFleet(dir_, ready_).release();
    }
    static void TearDownTestSuite() {
        delete simulator_;
        simulator_ = nullptr;
        fs::remove_all(dir_);
    }
    void SetUp() override { ASSERT_TRUE(ready_); }

    static ProcessResult Cli(std::vector<std::string> arguments) {
        // The target goes after the subcommand path ("terminal get door").
        arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
        arguments.insert(arguments.end(), {"--ip", ip_, "--port", "60005"});
        return RunProcess(arguments, 30s);
    }

    static inline std::string ip_;
    static inline fs::path dir_;
    static inline BackgroundProcess* simulator_ = nullptr;
    static inline bool ready_ = false;
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
    EXPECT_EQ(Cli({"periods", "set", "4=1,25:00,26:00"}).exitCode, 9);
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
    EXPECT_EQ(visitors.out, "访客1=未绑定,10.0.0.21\n");
    EXPECT_EQ(Cli({"visitors", "search", "--version", "V6.8.232"}).exitCode, 9);
}

}  // namespace
}  // namespace ostrand::cli::test
