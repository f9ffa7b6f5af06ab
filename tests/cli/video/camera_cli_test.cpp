// ostrand-cli camera and ptz against a running ostrand-devsim camera.

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

class CameraCli : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const unsigned pid = static_cast<unsigned>(getpid());
        ip_ = ProcessAddressBlock() + "211";
        dir_ = fs::path(testing::TempDir()) / ("camera_cli_" + std::to_string(pid));
        fs::create_directories(dir_);
        const nlohmann::json fleet = {
            {"base", ip_},
            {"devices", nlohmann::json::array({{{"kind", "camera"}, {"port", 18080}, {"videoChannels", 2},
                                                {"state", {{"video", {{"image", {{"lightness", 2}}}}}}}}})}};
        std::ofstream(dir_ / "fleet.json") << fleet.dump(2);
        simulator_ = StartFleet(dir_, ready_).release();
    }
    static void TearDownTestSuite() {
        delete simulator_;
        simulator_ = nullptr;
        fs::remove_all(dir_);
    }
    void SetUp() override { ASSERT_TRUE(ready_); }

    static ProcessResult Cli(std::vector<std::string> arguments) {
        // The subcommand words first, then the target.
        const std::size_t words = arguments.front() == "--json" ? 3 : 2;
        arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(words), {"--ip", ip_, "--port", "18080"});
        arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
        return RunProcess(arguments, 30s);
    }
    static nlohmann::json CameraValues(const char* channel) {
        const auto get = Cli({"--json", "camera", "get", "--channel", channel});
        EXPECT_EQ(get.exitCode, 0) << get.err;
        return nlohmann::json::parse(get.out).at("reply");
    }

    static inline std::string ip_;
    static inline fs::path dir_;
    static inline BackgroundProcess* simulator_ = nullptr;
    static inline bool ready_ = false;
};

TEST_F(CameraCli, SetThenGetRoundTripsThroughTheCamerasEncoding) {
    EXPECT_EQ(CameraValues("1").at("lightness"), "1");  // 2 of 255

    const auto set = Cli({"camera", "set", "--channel", "1", "lightness", "70"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "setcolorparm channel=1 setcolortype=lightness setvalue=70 -> 10000\n");
    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "awb-mode", "晴天模式"}).exitCode, 0);
    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "night", "80"}).exitCode, 0);
    const auto day = Cli({"camera", "set", "--channel", "1", "day", "100"});
    EXPECT_NE(day.out.find("sentype=0 setvalue=140 -> 10000"), std::string::npos) << day.out;

    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "resolution", "720P"}).exitCode, 0);
    const auto mode = Cli({"camera", "set", "--channel", "1", "video-mode", "ECBR"});
    EXPECT_NE(mode.out.find("setvideoparam channel=1 videoMode=4 vsize=12 -> 10000"), std::string::npos)
        << mode.out;

    const auto refused = Cli({"camera", "set", "--channel", "1", "bit-rate", "2001"});
    EXPECT_EQ(refused.exitCode, 9);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("输入的值小于1， 或大于2000， 请重新输入"), std::string::npos);

    const nlohmann::json values = CameraValues("1");
    EXPECT_EQ(values.at("lightness"), "70");
    EXPECT_EQ(values.at("awb-mode"), "晴天模式");
    EXPECT_EQ(values.at("day"), "140");
    EXPECT_EQ(values.at("night"), "80");
    EXPECT_EQ(values.at("bit-rate"), "1536");  // the 720P rate
    EXPECT_EQ(values.at("resolution"), "720P(1280*720)");
    EXPECT_EQ(values.at("video-mode"), "ECBR");
    EXPECT_EQ(CameraValues("0").at("lightness"), "1");  // the other channel is untouched

    const auto status = Cli({"camera", "status"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.out, "alarm1=UP\nalarm2=UP\nreset=UP\nsd=已插入\n");

    const auto noChannel = Cli({"camera", "set", "--channel", "2", "audio", "on"});
    EXPECT_EQ(noChannel.exitCode, 10);
    EXPECT_NE(noChannel.err.find("no such channel"), std::string::npos);
}

TEST_F(CameraCli, PtzMoveTurnsTheSimulatedHead) {
    const auto pan = [] {
        const auto read = Cli({"--json", "get", "getptzparam"});
        EXPECT_EQ(read.exitCode, 0) << read.err;
        return std::stod(nlohmann::json::parse(read.out).at("reply").at("pan").get<std::string>());
    };
    ASSERT_EQ(Cli({"ptz", "preset", "add", "17"}).exitCode, 0);
    const double before = pan();
    const auto move = Cli({"ptz", "move", "right", "--speed", "40", "--hold", "200"});
    ASSERT_EQ(move.exitCode, 0) << move.err;
    const double after = pan();
    EXPECT_GT(after, before + 4);
    EXPECT_EQ(pan(), after);  // the hold ended with a stop

    ASSERT_EQ(Cli({"ptz", "preset", "goto", "17"}).exitCode, 0);
    EXPECT_EQ(pan(), before);
    ASSERT_EQ(Cli({"ptz", "preset", "delete-all", "17"}).exitCode, 0);
    const auto missing = Cli({"ptz", "preset", "goto", "17"});
    EXPECT_EQ(missing.exitCode, 10);
    EXPECT_NE(missing.err.find("preset not set"), std::string::npos);
    EXPECT_NE(Cli({"ptz", "cruise", "17"}).exitCode, 0);  // tracks are 1..16
}

}  // namespace
}  // namespace ostrand::cli::test
