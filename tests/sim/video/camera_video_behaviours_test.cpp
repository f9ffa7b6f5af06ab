// The simulated camera's video commands, called as the command handler calls
// them: stored values per channel, the fleet file's starting state and faults,
// and a PTZ head that moves while a movement runs.

#include <gtest/gtest.h>

#include <thread>

#include "sim/command_handler.h"
#include "sim/device.h"

namespace ostrand::sim {
namespace {

using namespace std::chrono_literals;

Device MakeCamera(nlohmann::json videoState = nlohmann::json::object(), int channels = 2) {
    DeviceConfig config;
    config.address = "127.0.0.1";
    config.kind = DeviceKind::Camera;
    config.videoChannels = channels;
    config.state["video"] = std::move(videoState);
    return Device(std::move(config));
}

ParamMap Send(Device& device, const char* command, ParamMap request = {}) {
    return HandleCommand(device, command, 0, request);
}

TEST(SimulatedCameraVideo, WritesAreReadBackPerChannel) {
    Device camera = MakeCamera();
    const struct {
        const char* set;
        ParamMap request;
        const char* get;
        const char* key;
        const char* stored;  // nullptr: refused, value unchanged
    } cases[] = {
        {"setcolorparm", {{"setcolortype", "lightness"}, {"setvalue", "50"}}, "getvideocolparam", "lightness", "128"},
        {"setcolorparm", {{"setcolortype", "hue"}, {"setvalue", "100"}}, "getvideocolparam", "hue", "255"},
        {"setcolorparm", {{"setcolortype", "expouse"}, {"setvalue", "800"}}, "getvideocolparam", "expourse", "800"},
        {"setcolorparm", {{"setcolortype", "opencloseexpouse"}, {"setvalue", "1"}}, "getvideocolparam", "AESwitch",
         "1"},
        {"setcolorparm", {{"setcolortype", "glow"}, {"setvalue", "1"}}, "getvideocolparam", "AESwitch", nullptr},
        {"setAWBGain", {{"awbtype", "2"}, {"setvalue", "5100"}}, "getawbgain", "awbB", "5100"},
        {"setAWBParm", {{"AWB", "6"}}, "getawbgain", "mode", "6"},
        {"setAWBParm", {{"AWB", "9"}}, "getawbgain", "mode", nullptr},
        {"setAutoAwbType", {{"autoawb", "0"}}, "getAutoAwbType", "autoawbtype", "0"},
        {"setNDsen", {{"sentype", "1"}, {"setvalue", "40"}}, "getNDsen", "nsen", "40"},
        {"setVideoSize", {{"vsize", "12"}}, "getBitRate", "bitRate", "1536"},
        {"setvideoparam", {{"videoMode", "4"}, {"vsize", "4"}}, "getvideoparam", "videoMode", "4"},
        {"setpwfreque", {{"PWFreque", "60"}}, "getpwfreque", "PWFreque", "60"},
        {"setBitRate", {{"bitRate", "2000"}}, "getBitRate", "bitRate", "2000"},
        {"setBitRate", {{"bitRate", "2001"}}, "getBitRate", "bitRate", nullptr},
        {"setFrate", {{"frate", "abc"}}, "getFrate", "frate", nullptr},
        {"setkeyframe", {{"keyframe", "30"}}, "getkeyframe", "keyframe", "30"},
        {"setaudio", {{"audiomark", "1"}}, "getaudio", "audiomark", "1"},
    };
    for (const auto& c : cases) {
        ParamMap request = c.request;
        request["channel"] = "1";
        const std::string before = Send(camera, c.get, {{"channel", "1"}})[c.key];
        const ParamMap reply = Send(camera, c.set, request);
        const std::string after = Send(camera, c.get, {{"channel", "1"}})[c.key];
        if (c.stored) {
            EXPECT_EQ(reply.at("result"), "10000") << c.set;
            EXPECT_EQ(after, c.stored) << c.set;
        } else {
            EXPECT_EQ(reply.at("result"), "10001") << c.set;
            EXPECT_EQ(after, before) << c.set;
        }
    }
    // Channel 0 kept its own values.
    EXPECT_EQ(Send(camera, "getvideocolparam", {{"channel", "0"}})["lightness"], "128");
    EXPECT_EQ(Send(camera, "getBitRate", {{"channel", "0"}})["bitRate"], "768");
    EXPECT_EQ(Send(camera, "getBitRate", {{"channel", "2"}})["result"], "10001");
    EXPECT_EQ(Send(camera, "getBitRate")["result"], "10001");

    Send(camera, "setcolorparm", {{"channel", "1"}, {"setcolortype", "setcolordefault"}});
    EXPECT_EQ(Send(camera, "getvideocolparam", {{"channel", "1"}})["AESwitch"], "0");
}

TEST(SimulatedCameraVideo, FleetStateSetsValuesStatusAndFaults) {
    Device camera = MakeCamera({{"image", {{"lightness", 200}}},
                                {"channels", {nlohmann::json::object(), {{"vsize", "12"}}}},
                                {"status", {{"sdstatus", "no"}, {"AlarmKey1", "yes"}}},
                                {"sdcheckAnswers", 1},
                                {"ptz", {{"pan", 10}}},
                                {"presets", {{"17", {{"pan", 90}, {"tilt", 10}}}}}});
    EXPECT_EQ(Send(camera, "getvideocolparam", {{"channel", "1"}})["lightness"], "200");
    EXPECT_EQ(Send(camera, "getvideoparam", {{"channel", "0"}})["vsize"], "4");
    EXPECT_EQ(Send(camera, "getvideoparam", {{"channel", "1"}})["vsize"], "12");

    const ParamMap status = Send(camera, "sdcheck");
    EXPECT_EQ(status, (ParamMap{{"AlarmKey1", "yes"}, {"result", "10000"}, {"sdstatus", "no"}}));
    EXPECT_EQ(Send(camera, "sdcheck")["result"], "10001");

    EXPECT_EQ(Send(camera, "getptzparam")["pan"], "10.0");
    Send(camera, "setptzparam", {{"ptztype", "8"}, {"ptzsubtype", "3"}, {"ptzspeed", "17"}});
    EXPECT_EQ(Send(camera, "getptzparam")["pan"], "90.0");
    EXPECT_EQ(Send(camera, "getptzparam")["tilt"], "10.0");
}

TEST(SimulatedCameraVideo, HeadMovesWhileHeldAndKeepsPresets) {
    Device camera = MakeCamera();
    const auto ptz = [&](const char* type, const char* subtype, const char* speed) {
        return Send(camera, "setptzparam", {{"ptztype", type}, {"ptzsubtype", subtype}, {"ptzspeed", speed}})["result"];
    };
    const auto position = [&](const char* key) { return std::stod(Send(camera, "getptzparam")[key]); };

    EXPECT_EQ(ptz("8", "1", "5"), "10000");  // preset 5 at the start
    EXPECT_EQ(ptz("7", "4", "40"), "10000");  // right at 40 degrees a second
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(ptz("7", "0", "0"), "10000");
    const double pan = position("pan");
    EXPECT_GT(pan, 4.0);
    EXPECT_LT(pan, 40.0);  // bounded by the time the stop took to arrive
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(position("pan"), pan);  // stopped
    EXPECT_EQ(Send(camera, "getptzparam")["moving"], "0");

    EXPECT_EQ(ptz("4", "1", "63"), "10000");  // zoom in
    std::this_thread::sleep_for(50ms);
    ptz("7", "0", "0");
    EXPECT_GT(position("zoom"), 1.0);

    EXPECT_EQ(ptz("8", "3", "5"), "10000");  // back to preset 5
    EXPECT_EQ(position("pan"), 0.0);
    EXPECT_EQ(position("zoom"), 1.0);
    EXPECT_EQ(ptz("8", "3", "6"), "10001");  // not stored
    EXPECT_EQ(ptz("8", "4", "1"), "10000");  // cruise along track 1 (presets 1-16)
    EXPECT_EQ(Send(camera, "getptzparam")["cruise"], "1");
    EXPECT_EQ(ptz("8", "5", "17"), "10000");  // delete all
    EXPECT_EQ(Send(camera, "getptzparam")["presets"], "");
    EXPECT_EQ(ptz("7", "9", "10"), "10001");
    EXPECT_EQ(ptz("7", "1", "0"), "10001");  // speed 0 is never sent by the tool
}

}  // namespace
}  // namespace ostrand::sim
