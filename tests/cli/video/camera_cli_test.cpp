// ostrand-cli camera and ptz against a running ostrand-devsim camera.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <fstream>
#include <thread>

#include "../fleet_suite.h"
#include "../../ops/video/fake_camera.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CameraCli : public FleetSuite<CameraCli> {
protected:
    static void SetUpTestSuite() {
        OpenFleet("camera_cli");
        ip_ = block_ + "211";
        const nlohmann::json fleet = {
            {"base", ip_},
            {"devices", nlohmann::json::array({{{"kind", "camera"}, {"port", 18080}, {"videoChannels", 2},
                                                {"state", {{"video", {{"image", {{"lightness", 2}}}}}}}}})}};
        ServeFleet(fleet);
    }
    static ProcessResult Cli(std::vector<std::string> arguments) {
        // The global options and the subcommand words first, then the target.
        const auto options = std::find_if(arguments.begin(), arguments.end(),
                                          [](const std::string& a) { return !a.starts_with("--"); });
        const std::size_t words = static_cast<std::size_t>(options - arguments.begin()) + 2;
        arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(words), {"--ip", ip_, "--port", "18080"});
        return RunCli(std::move(arguments));
    }
    static nlohmann::json CameraValues(const char* channel) {
        const auto get = Cli({"--json", "camera", "get", "--channel", channel});
        EXPECT_EQ(get.exitCode, 0) << get.err;
        return nlohmann::json::parse(get.out).at("values");
    }

    static inline std::string ip_;
};

TEST_F(CameraCli, SetThenGetRoundTripsThroughTheCamerasEncoding) {
    EXPECT_EQ(CameraValues("1").at("lightness"), "1");  // 2 of 255

    const auto set = Cli({"camera", "set", "--channel", "1", "lightness", "70"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    // One row per command sent: the command, its request, the camera's result.
    EXPECT_EQ(set.out, "command\trequest\tresult\nsetcolorparm\tchannel=1 setcolortype=lightness setvalue=70\t10000\n");
    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "awb-mode", "晴天模式"}).exitCode, 0);
    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "night", "80"}).exitCode, 0);
    const auto day = Cli({"camera", "set", "--channel", "1", "day", "100"});
    EXPECT_NE(day.out.find("sentype=0 setvalue=140\t10000\n"), std::string::npos) << day.out;

    ASSERT_EQ(Cli({"camera", "set", "--channel", "1", "resolution", "720P"}).exitCode, 0);
    const auto mode = Cli({"camera", "set", "--channel", "1", "video-mode", "ECBR"});
    EXPECT_NE(mode.out.find("setvideoparam\tchannel=1 videoMode=4 vsize=12\t10000\n"), std::string::npos)
        << mode.out;

    const auto refused = Cli({"--no-header", "camera", "set", "--channel", "1", "bit-rate", "2001"});
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
    EXPECT_EQ(status.out, "sd=已插入\nreset=UP\nalarm1=UP\nalarm2=UP\n");

    const auto noChannel = Cli({"camera", "set", "--channel", "2", "audio", "on"});
    EXPECT_EQ(noChannel.exitCode, 10);
    EXPECT_NE(noChannel.err.find("no such channel"), std::string::npos);
}

TEST_F(CameraCli, PtzMoveTurnsTheSimulatedHead) {
    const auto pan = [] {
        const auto read = Cli({"--json", "get", "getptzparam"});
        EXPECT_EQ(read.exitCode, 0) << read.err;
        return std::stod(nlohmann::json::parse(read.out).at("values").at("pan").get<std::string>());
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

TEST_F(CameraCli, SeveralCamerasGiveALineEachAndUsageErrorsSendNothing) {
    // Nothing listens on the second address: its connection is refused, a
    // failed HTTP exchange (status 10).
    const std::string dead = ProcessAddressBlock() + "250:18080";
    const struct {
        std::vector<std::string> arguments;
        const char* value;  // a field of the answering camera's line
    } fleets[] = {
        {{"camera", "get", "--channel", "1"}, "\tresolution="},
        {{"camera", "status"}, "\tsd=已插入"},
        {{"camera", "set", "audio", "on"}, "\t成功"},
        {{"ptz", "stop"}, "\tresult=10000"},
    };
    for (const auto& f : fleets) {
        std::vector<std::string> arguments = f.arguments;
        arguments.insert(arguments.end(), {"--target", ip_ + ":18080", "--target", dead});
        const auto run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 10) << f.arguments[1] << run.out << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        const auto answered = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.starts_with(ip_ + ":18080\t成功\t");
        });
        ASSERT_NE(answered, lines.end()) << f.arguments[1] << run.out;
        EXPECT_NE(answered->find(f.value), std::string::npos) << *answered;
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) { return l.starts_with(dead + "\t失败\t"); }),
                  1)
            << run.out;
        EXPECT_EQ(lines.back(), "2 devices: 1 succeeded, 1 failed") << f.arguments[1];
    }
    const struct {
        std::vector<std::string> arguments;
        const char* text;
    } usage[] = {
        {{"camera", "set", "lightness", "bright"}, "not a percentage"},
        {{"camera", "set", "volume", "3"}, "unknown NAME"},
        {{"camera", "set", "audio"}, "a value is needed"},
    };
    for (const auto& u : usage) {
        const auto run = Cli(u.arguments);
        EXPECT_EQ(run.exitCode, 64) << u.arguments[2] << run.err;
        EXPECT_EQ(run.out, "") << u.arguments[2];
        EXPECT_NE(run.err.find(u.text), std::string::npos) << run.err;
    }
}

// A camera of older firmware answers 404 to "getpwfreque": the video mode
// still goes out with the camera's resolution.
TEST(CameraCliAnswers, AnHttpStatusOnOneReadIsAnAnswer) {
    using ostrand::test::FakeCamera;
    FakeCamera camera({{"getpwfreque", {404, "", 0ms, false}},
                       {"getvideoparam", {200, "?vsize=12&videoMode=1", 0ms, false}}});
    const std::vector<std::string> target = {"--ip", camera.Ip(), "--port", std::to_string(camera.Port())};
    const struct {
        std::vector<std::string> words;
        std::vector<std::string> expected;  // pieces of the output
    } rows[] = {
        {{"camera", "set", "video-mode", "CBR"},
         {"getpwfreque\tchannel=0\t10\n", "setvideoparam\tchannel=0 videoMode=2 vsize=12\t10000\n"}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments = row.words;
        arguments.insert(arguments.begin() + 2, target.begin(), target.end());
        const auto run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << row.words[1] << run.out << run.err;
        for (const std::string& piece : row.expected) EXPECT_NE(run.out.find(piece), std::string::npos) << run.out;
    }
    EXPECT_EQ(camera.Bodies("setvideoparam").size(), 1u);
}

}  // namespace
}  // namespace ostrand::cli::test
