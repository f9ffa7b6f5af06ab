// The reading and writing sequences against a simulated camera, checked on the
// wire: the journal's HTTP requests give the commands in the order sent.

#include <gtest/gtest.h>

#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/ptz_control.h"
#include "../../sim/sim_test_support.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "transport/form_codec.h"

namespace ostrand::video {
namespace {

struct SentCommand {
    std::string name;
    ParamMap request;
};

class CameraTuningOnTheWire : public ::testing::Test {
protected:
    sim::Device& AddCamera(int host, std::map<std::string, ParamMap> replies = {},
                           nlohmann::json video = nlohmann::json::object()) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = sim::DeviceKind::Camera;
        config.port = 18080;
        config.videoChannels = 2;
        config.replies = std::move(replies);
        config.state["video"] = std::move(video);
        sim::Device& device = simulator_.AddDevice(std::move(config));
        target_.Set(device.AddressText(), 18080);
        return device;
    }

    std::vector<SentCommand> Sent(const sim::Device& device) {
        std::vector<SentCommand> sent;
        for (const sim::JournalEntry& entry : simulator_.GetJournal().EntriesFor(device.AddressText())) {
            const std::size_t at = entry.in.find("/goform/");
            if (at == std::string::npos) continue;
            SentCommand command;
            command.name = entry.in.substr(at + 8, entry.in.find(' ', at) - at - 8);
            const std::size_t body = entry.in.find("\r\n\r\n");
            if (body != std::string::npos) DecodeFormBody(entry.in.substr(body + 4), command.request);
            command.request.erase(kFixedFormKey);
            sent.push_back(std::move(command));
        }
        simulator_.GetJournal().Clear();
        return sent;
    }

    static std::vector<std::string> Names(const std::vector<SentCommand>& sent) {
        std::vector<std::string> names;
        for (const auto& s : sent) names.push_back(s.name);
        return names;
    }

    static TransportTimeouts Waits() {
        TransportTimeouts waits = sim::test::ShortWaits();
        waits.httpConnectRetries = 0;
        return waits;
    }

    ScopedTransportTimeouts waits_{Waits()};
    RecordingMessageSink sink_;
    ScopedMessageSink sinkScope_{sink_};
    sim::Simulator simulator_;
    CommandTarget target_;
};

TEST_F(CameraTuningOnTheWire, ReadingFillsValuesWithTheirRulesAndOrder) {
    sim::Device& camera = AddCamera(
        11, {{"getvideocolparam", {{"lightness", "128"}, {"contrast", "2"}, {"staturation", "1"}, {"hue", "255"},
                                   {"shapness", "0"}, {"expourse", "800"}, {"AESwitch", "1"}}},
             {"getvideoparam", {{"vsize", "12"}, {"videoMode", "1"}}},
             {"getawbgain", {{"awbR", "5099"}, {"awbG", "1100"}, {"awbB", "0"}, {"mode", "9"}}},
             {"getAutoAwbType", {{"autoawbtype", "0"}}},
             {"getBitRate", {{"bitRate", ""}}},
             {"getAutoRate", {{"autoRate", "7"}}},
             {"getaudio", {{"audiomark", "0"}}}});
    simulator_.Start();
    CameraTuning tuning(target_, 1);
    const WriteResult read = tuning.ReadAll(ReadOrder::Opening);
    EXPECT_TRUE(read.Succeeded());
    const CameraParams& shown = tuning.Shown();
    EXPECT_EQ(shown.colour, (std::array<int, 5>{50, 1, 0, 100, 0}));
    EXPECT_EQ(shown.exposure, 800);
    EXPECT_TRUE(shown.manualExposure);
    EXPECT_EQ(shown.resolution, Resolution::Hd720);
    EXPECT_EQ(shown.videoMode, 1);
    EXPECT_EQ(shown.gains, (std::array<int, 3>{50, 11, 0}));
    EXPECT_EQ(shown.awbMode, 0);
    EXPECT_TRUE(shown.manualAwb);
    EXPECT_EQ(shown.bitRate, "300");
    EXPECT_TRUE(shown.autoRate);  // "7" leaves the box as it was
    EXPECT_FALSE(shown.audio);

    const std::vector<SentCommand> sent = Sent(camera);
    EXPECT_EQ(Names(sent), (std::vector<std::string>{"getvideoparam", "getpwfreque", "getvideocolparam",
                                                     "getawbgain", "setAWBParm", "getAutoAwbType", "getNDsen",
                                                     "getBitRate", "getFrate", "getAutoRate", "getaudio",
                                                     "getPSKeyValue", "getkeyframe"}));
    for (const auto& s : sent) EXPECT_EQ(s.request.at("channel"), "1") << s.name;
    EXPECT_EQ(sent[4].request.at("AWB"), "2");
}

TEST_F(CameraTuningOnTheWire, SilentCameraGivesTheFallbacks) {
    sim::Device& camera = AddCamera(12);
    sim::FaultOptions refuse;
    refuse.refuse = true;
    simulator_.Start();
    simulator_.SetFaults(camera, refuse);
    CameraTuning tuning(target_, 0);
    const WriteResult read = tuning.ReadAll(ReadOrder::Refresh);
    EXPECT_NE(read.FirstFailure(), kTransportOk);
    EXPECT_EQ(read.sent.front().command, "getvideocolparam");
    EXPECT_EQ(read.sent.size(), 12u);
    EXPECT_EQ(std::count_if(read.sent.begin(), read.sent.end(), [](const CommandOutcome& o) { return !o.skipped; }),
              1);
    // The report says why, not only that it failed.
    const std::string failure = read.FailureText();
    EXPECT_EQ(failure.rfind(std::string(TransportResultText(read.FirstFailure())) + ": ", 0), 0u) << failure;
    const CameraParams& shown = tuning.Shown();
    EXPECT_EQ(shown.colour, (std::array<int, 5>{50, 50, 50, 50, 50}));
    EXPECT_EQ(shown.gains, (std::array<int, 3>{20, 20, 20}));
    EXPECT_EQ(shown.day, 150);
    EXPECT_EQ(shown.night, 30);
    EXPECT_FALSE(shown.manualAwb);
    EXPECT_EQ(shown.bitRate, "");  // nothing to show

    const StatusPoll poll = PollDeviceStatus(target_, Language::Chinese);
    EXPECT_FALSE(poll.outcome.Succeeded());
    EXPECT_EQ(poll.texts, UnknownStatusTexts());
}

TEST_F(CameraTuningOnTheWire, WritesSendTheControlsRequests) {
    sim::Device& camera = AddCamera(13, {{"getawbgain", {{"mode", "2"}}}});
    simulator_.Start();
    CameraTuning tuning(target_, 0);
    tuning.SetGain(AwbGain::Red, 0);
    tuning.SetAwbMode(4);  // 晴天模式
    tuning.SetColour(ColourControl::Saturation, 70);
    tuning.SetDayThreshold(100);  // night 30: 100 stays
    tuning.SetNightThreshold(80);  // day 100: night 40
    tuning.SetResolution(Resolution::Hd720);
    tuning.SetVideoMode(4);
    tuning.SetManualAwb(false);
    const EditResult accepted = tuning.SetEdit(EditField::BitRate, "2000", Language::Chinese);
    const EditResult refused = tuning.SetEdit(EditField::BitRate, "2001", Language::Chinese);
    EXPECT_EQ(accepted.message, "设置成功!");
    EXPECT_EQ(refused.message, "输入的值小于1， 或大于2000， 请重新输入");
    EXPECT_TRUE(refused.write.sent.empty());

    const std::vector<SentCommand> sent = Sent(camera);
    const std::vector<std::pair<std::string, ParamMap>> expected = {
        {"setAWBGain", {{"awbtype", "0"}, {"setvalue", "100"}}},
        {"setAWBGain", {{"awbtype", "1"}, {"setvalue", "1100"}}},
        {"setAWBParm", {{"AWB", "6"}}},
        {"getawbgain", {}},
        {"getAutoAwbType", {}},
        {"setcolorparm", {{"setcolortype", "staturation"}, {"setvalue", "70"}}},
        {"setNDsen", {{"sentype", "0"}, {"setvalue", "100"}}},
        {"setNDsen", {{"sentype", "1"}, {"setvalue", "40"}}},
        {"setVideoSize", {{"vsize", "12"}}},
        {"getBitRate", {}},
        {"getFrate", {}},
        {"setvideoparam", {{"videoMode", "4"}, {"vsize", "12"}}},
        {"getBitRate", {}},
        {"getFrate", {}},
        {"setAWBGain", {{"awbtype", "1"}, {"setvalue", "1100"}}},
        {"setAutoAwbType", {{"autoawb", "1"}}},
        {"getawbgain", {}},
        {"getAutoAwbType", {}},
        {"setBitRate", {{"bitRate", "2000"}}},
    };
    ASSERT_EQ(sent.size(), expected.size()) << testing::PrintToString(Names(sent));
    for (std::size_t i = 0; i < sent.size(); ++i) {
        ParamMap request = expected[i].second;
        request["channel"] = "0";
        EXPECT_EQ(sent[i].name, expected[i].first) << i;
        EXPECT_EQ(sent[i].request, request) << i << " " << sent[i].name;
    }
}

TEST_F(CameraTuningOnTheWire, DaySliderJumpsAboveTheNight) {
    AddCamera(14, {{"getNDsen", {{"dsen", "300"}, {"nsen", "80"}}}});
    simulator_.Start();
    CameraTuning tuning(target_, 0);
    tuning.ReadAll(ReadOrder::Opening);
    const WriteResult day = tuning.SetDayThreshold(100);
    EXPECT_EQ(day.sent.at(0).request.at("setvalue"), "140");
    EXPECT_EQ(tuning.Shown().day, 140);
    tuning.SetNightThreshold(470);
    EXPECT_EQ(tuning.Shown().night, 80);  // 140 - 60
    EXPECT_EQ(tuning.SetDayThreshold(100).sent.at(0).request.at("setvalue"), "140");
}

TEST_F(CameraTuningOnTheWire, RefusedEditIsNotReportedAsSuccess) {
    AddCamera(15, {{"setFrate", {{"result", "10001"}, {"errmsg", "busy"}}}});
    simulator_.Start();
    CameraTuning tuning(target_, 0);
    const EditResult edit = tuning.SetEdit(EditField::FrameRate, "25", Language::English);
    EXPECT_FALSE(edit.write.Succeeded());
    EXPECT_EQ(edit.message, "Set Failed: setFrate 10001 busy");
}

TEST_F(CameraTuningOnTheWire, PtzCommandsCarryNoChannel) {
    sim::Device& camera = AddCamera(16);
    simulator_.Start();
    EXPECT_TRUE(SendPtzMove(target_, PtzMove::Up, 0).Succeeded());
    EXPECT_TRUE(SendPtzStop(target_).Succeeded());
    EXPECT_TRUE(SendCruise(target_, 3).Succeeded());
    EXPECT_EQ(SendPreset(target_, PresetAction::Add, 256).result, kTransportBadParameter);
    const std::vector<SentCommand> sent = Sent(camera);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].request, (ParamMap{{"ptztype", "7"}, {"ptzsubtype", "1"}, {"ptzspeed", "1"}}));
    EXPECT_EQ(sent[1].request, (ParamMap{{"ptztype", "7"}, {"ptzsubtype", "0"}, {"ptzspeed", "0"}}));
    EXPECT_EQ(sent[2].request, (ParamMap{{"ptztype", "8"}, {"ptzsubtype", "4"}, {"ptzspeed", "3"}}));
}

TEST_F(CameraTuningOnTheWire, PollingEndsAfterTwoFailedChecks) {
    // One answer, one refusal in the reply's "result" (an answer: the fields
    // follow it), then a camera answering every request with a status.
    sim::Device& camera = AddCamera(17, {}, {{"status", {{"sdstatus", "yes"}, {"resetbtnstatus", "no"}, {"AlarmKey1", "yes"}}},
                                             {"sdcheckAnswers", 1}});
    simulator_.Start();
    StatusPollRule rule;
    std::vector<DeviceStatusTexts> shown;
    while (rule.KeepPolling() && shown.size() < 10) {
        const StatusPoll poll = PollDeviceStatus(target_, Language::Chinese);
        rule.Record(!poll.Failed());
        shown.push_back(poll.texts);
        if (shown.size() == 2) {
            EXPECT_FALSE(poll.Failed());
            sim::FaultOptions status;
            status.httpStatus = 500;
            simulator_.SetFaults(camera, status);
        }
    }
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], (DeviceStatusTexts{"已插入", "UP", "DOWN", "版本不支持"}));
    EXPECT_EQ(shown[1], UnknownStatusTexts());  // the refusal carries no field
    EXPECT_EQ(shown[3], UnknownStatusTexts());  // a failed check shows the "other" texts
}

}  // namespace
}  // namespace ostrand::video
