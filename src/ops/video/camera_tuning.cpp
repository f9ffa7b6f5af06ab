#include "ops/video/camera_tuning.h"

#include <algorithm>

#include "platform/message_sink.h"

namespace ostrand::video {

namespace {

constexpr int kExposureMin = 100;
constexpr int kExposureMax = 50000;
// The green gain a white balance mode change starts from.
constexpr const char* kGreenResetGain = "1100";

std::string Value(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

const char* Flag(bool on) { return on ? "1" : "0"; }

const char* Tr2(Language language, const char* chinese, const char* english) {
    return language == Language::English ? english : chinese;
}

}  // namespace

const char* ColourKey(ColourControl control) {
    switch (control) {
        case ColourControl::Lightness: return "lightness";
        case ColourControl::Contrast: return "contrast";
        case ColourControl::Saturation: return "staturation";
        case ColourControl::Hue: return "hue";
        case ColourControl::Sharpness: break;
    }
    return "shapness";
}

CameraTuning::CameraTuning(CommandTarget& target, int channel) : target_(target), channel_(channel) {}

// Sets the deadline of the action that starts here; an operation called by
// another (the refresh reads of a restore) stays inside the caller's action.
class CameraTuning::Action {
public:
    explicit Action(CameraTuning& tuning) : tuning_(tuning), outer_(tuning.deadline_ != nullptr) {
        if (!outer_) tuning_.deadline_ = &deadline_;
    }
    ~Action() {
        if (!outer_) tuning_.deadline_ = nullptr;
    }
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

private:
    CameraTuning& tuning_;
    bool outer_;
    ActionDeadline deadline_;
};

const CommandOutcome& CameraTuning::Send(WriteResult& out, const char* command, ParamMap request,
                                         std::vector<std::string_view> keep) {
    request["channel"] = std::to_string(channel_);
    if (out.NoAnswer()) {
        CommandOutcome skipped;
        skipped.command = command;
        skipped.request = std::move(request);
        skipped.result = kTransportFailed;
        skipped.skipped = true;
        return out.sent.emplace_back(std::move(skipped));
    }
    CommandOutcome outcome = PostCommand(target_, command, std::move(request), {deadline_, std::move(keep)});
    if (showFailures_) {
        if (const std::string shown = ShownFailure(outcome); !shown.empty()) ShowMessage(shown);
    }
    return out.sent.emplace_back(std::move(outcome));
}

const CommandOutcome& CameraTuning::Read(WriteResult& out, const char* command, std::vector<std::string_view> keep) {
    return Send(out, command, {}, std::move(keep));
}

void CameraTuning::ReadVideoParam(WriteResult& out) {
    const CommandOutcome& video = Read(out, "getvideoparam", {"vsize", "videoMode"});
    if (video.Usable()) {
        if (auto resolution = ResolutionFromVsize(Value(video.reply, "vsize"))) shown_.resolution = *resolution;
        if (auto mode = VideoModeFromReply(Value(video.reply, "videoMode"))) shown_.videoMode = *mode;
    }
    const CommandOutcome& frequency = Read(out, "getpwfreque", {"PWFreque"});
    if (frequency.Usable()) {
        if (auto value = PowerFrequencyFromReply(Value(frequency.reply, "PWFreque"))) shown_.frequency = *value;
    }
}

void CameraTuning::ReadColour(WriteResult& out) {
    const CommandOutcome& colour = Read(out, "getvideocolparam", {"lightness", "contrast", "staturation", "hue", "shapness", "expourse", "AESwitch"});
    if (!colour.Usable()) {
        shown_.colour.fill(50);
        shown_.exposure = 2500;
        shown_.manualExposure = false;
        return;
    }
    for (int i = 0; i < kColourControlCount; ++i) {
        shown_.colour[static_cast<std::size_t>(i)] =
            ColourPercent(Value(colour.reply, ColourKey(static_cast<ColourControl>(i))));
    }
    shown_.exposure = std::clamp(LeadingInteger(Value(colour.reply, "expourse")), kExposureMin, kExposureMax);
    shown_.manualExposure = Value(colour.reply, "AESwitch") == "1";
}

void CameraTuning::ReadWhiteBalance(WriteResult& out) {
    const CommandOutcome& gains = Read(out, "getawbgain", {"awbR", "awbG", "awbB", "mode"});
    if (gains.Usable()) {
        shown_.gains = {GainPosition(Value(gains.reply, "awbR")), GainPosition(Value(gains.reply, "awbG")),
                        GainPosition(Value(gains.reply, "awbB"))};
        const AwbModeChoice choice = AwbModeFromReply(Value(gains.reply, "mode"));
        shown_.awbMode = choice.entry;
        if (choice.resetToAuto) Send(out, "setAWBParm", {{"AWB", AwbCodeForEntry(0)}});
    } else {
        shown_.gains = {20, 20, 20};
    }
    const CommandOutcome& type = Read(out, "getAutoAwbType", {"autoawbtype"});
    shown_.manualAwb = type.Usable() && Value(type.reply, "autoawbtype") == "0";
}

void CameraTuning::ReadThresholds(WriteResult& out) {
    const CommandOutcome& sense = Read(out, "getNDsen", {"dsen", "nsen"});
    if (!sense.Usable()) {
        shown_.day = 150;
        shown_.night = 30;
        return;
    }
    shown_.day = std::clamp(LeadingInteger(Value(sense.reply, "dsen")), 0, kThresholdMax);
    shown_.night = std::clamp(LeadingInteger(Value(sense.reply, "nsen")), 0, kThresholdMax);
}

void CameraTuning::ReadEdit(WriteResult& out, const char* command, const char* key, const char* fallback,
                            std::string& into) {
    const CommandOutcome& read = Read(out, command, {key});
    if (!read.Usable()) return;
    const std::string value = Value(read.reply, key);
    into = value.empty() ? fallback : value;
}

void CameraTuning::ReadSwitch(WriteResult& out, const char* command, const char* key, bool& into) {
    const CommandOutcome& read = Read(out, command, {key});
    if (!read.Usable()) return;
    if (auto on = SwitchFromReply(Value(read.reply, key))) into = *on;
}

void CameraTuning::ReadRates(WriteResult& out) {
    ReadEdit(out, "getBitRate", "bitRate", kBitRateFallback, shown_.bitRate);
    ReadEdit(out, "getFrate", "frate", kFrameRateFallback, shown_.frameRate);
}

void CameraTuning::ReadEverything(WriteResult& out, ReadOrder order) {
    if (order == ReadOrder::Opening) {
        ReadVideoParam(out);
        ReadColour(out);
    } else {
        ReadColour(out);
        ReadVideoParam(out);
    }
    ReadWhiteBalance(out);
    ReadThresholds(out);
    ReadRates(out);
    ReadSwitch(out, "getAutoRate", "autoRate", shown_.autoRate);
    ReadSwitch(out, "getaudio", "audiomark", shown_.audio);
    ReadEdit(out, "getPSKeyValue", "pskeyvalue", kSwitchThresholdFallback, shown_.switchThreshold);
    ReadEdit(out, "getkeyframe", "keyframe", kKeyFrameFallback, shown_.keyFrame);
}

WriteResult CameraTuning::ReadAll(ReadOrder order) {
    const Action action(*this);
    WriteResult out;
    ReadEverything(out, order);
    return out;
}

WriteResult CameraTuning::ReadThresholdValues() {
    const Action action(*this);
    WriteResult out;
    ReadThresholds(out);
    return out;
}

WriteResult CameraTuning::ReadVideoValues() {
    const Action action(*this);
    WriteResult out;
    ReadVideoParam(out);
    return out;
}

WriteResult CameraTuning::SetResolution(Resolution resolution) {
    const Action action(*this);
    WriteResult out;
    shown_.resolution = resolution;
    Send(out, "setVideoSize", {{"vsize", VsizeFor(resolution)}});
    ReadRates(out);
    return out;
}

WriteResult CameraTuning::SetVideoMode(int entry) {
    const Action action(*this);
    WriteResult out;
    shown_.videoMode = std::clamp(entry, 0, kVideoModeCount - 1);
    Send(out, "setvideoparam",
         {{"videoMode", std::to_string(shown_.videoMode)}, {"vsize", VsizeFor(shown_.resolution)}});
    ReadRates(out);
    return out;
}

WriteResult CameraTuning::SetPowerFrequency(PowerFrequency frequency) {
    const Action action(*this);
    shown_.frequency = frequency;
    WriteResult out;
    Send(out, "setpwfreque", {{"PWFreque", PowerFrequencyCode(frequency)}});
    return out;
}

WriteResult CameraTuning::SetColour(ColourControl control, int percent) {
    const Action action(*this);
    const int position = std::clamp(percent, 0, 100);
    shown_.colour[static_cast<std::size_t>(control)] = position;
    WriteResult out;
    Send(out, "setcolorparm", {{"setcolortype", ColourKey(control)}, {"setvalue", std::to_string(position)}});
    return out;
}

WriteResult CameraTuning::SetExposure(int value) {
    const Action action(*this);
    shown_.exposure = std::clamp(value, kExposureMin, kExposureMax);
    WriteResult out;
    Send(out, "setcolorparm", {{"setcolortype", "expouse"}, {"setvalue", std::to_string(shown_.exposure)}});
    return out;
}

WriteResult CameraTuning::SetManualExposure(bool manual) {
    const Action action(*this);
    shown_.manualExposure = manual;
    WriteResult out;
    Send(out, "setcolorparm", {{"setcolortype", "opencloseexpouse"}, {"setvalue", Flag(manual)}});
    return out;
}

WriteResult CameraTuning::SetGain(AwbGain gain, int position) {
    const Action action(*this);
    const int shownPosition = std::clamp(position, 0, 100);
    shown_.gains[static_cast<std::size_t>(gain)] = shownPosition;
    WriteResult out;
    Send(out, "setAWBGain",
         {{"awbtype", std::to_string(static_cast<int>(gain))}, {"setvalue", GainSendValue(shownPosition)}});
    return out;
}

void CameraTuning::SendGreenReset(WriteResult& out) {
    Send(out, "setAWBGain", {{"awbtype", "1"}, {"setvalue", kGreenResetGain}});
}

WriteResult CameraTuning::SetAwbMode(int entry) {
    const Action action(*this);
    WriteResult out;
    shown_.awbMode = std::clamp(entry, 0, kAwbModeCount - 1);
    SendGreenReset(out);
    Send(out, "setAWBParm", {{"AWB", AwbCodeForEntry(shown_.awbMode)}});
    ReadWhiteBalance(out);
    return out;
}

WriteResult CameraTuning::SetManualAwb(bool manual) {
    const Action action(*this);
    WriteResult out;
    shown_.manualAwb = manual;
    if (!manual) SendGreenReset(out);
    Send(out, "setAutoAwbType", {{"autoawb", manual ? "0" : "1"}});
    ReadWhiteBalance(out);
    return out;
}

WriteResult CameraTuning::SetDayThreshold(int day) {
    const Action action(*this);
    shown_.day = DayAfterSpacing(std::clamp(day, 0, kThresholdMax), shown_.night);
    WriteResult out;
    Send(out, "setNDsen", {{"sentype", "0"}, {"setvalue", std::to_string(shown_.day)}});
    return out;
}

WriteResult CameraTuning::SetNightThreshold(int night) {
    const Action action(*this);
    shown_.night = NightAfterSpacing(shown_.day, std::clamp(night, 0, kThresholdMax));
    WriteResult out;
    Send(out, "setNDsen", {{"sentype", "1"}, {"setvalue", std::to_string(shown_.night)}});
    return out;
}

EditResult CameraTuning::SetEdit(EditField field, std::string_view text, Language language) {
    const Action action(*this);
    EditResult result;
    result.check = CheckEdit(field, text, language);
    if (!result.check.accepted) {
        result.message = result.check.message;
        return result;
    }
    // The number read from the edit is what goes out, never trailing junk.
    const std::string value = std::to_string(result.check.value);
    switch (field) {
        case EditField::BitRate:
            shown_.bitRate = value;
            Send(result.write, "setBitRate", {{"bitRate", value}});
            break;
        case EditField::FrameRate:
            shown_.frameRate = value;
            Send(result.write, "setFrate", {{"frate", value}});
            break;
        case EditField::KeyFrame:
            shown_.keyFrame = value;
            Send(result.write, "setkeyframe", {{"keyframe", value}});
            break;
    }
    if (result.write.Succeeded()) {
        result.message = Tr2(language, "设置成功!", "Set Succ");
    } else {
        result.message = std::string(Tr2(language, "设置失败: ", "Set Failed: ")) + result.write.FailureText();
    }
    return result;
}

WriteResult CameraTuning::SetAutoRate(bool on) {
    const Action action(*this);
    shown_.autoRate = on;
    WriteResult out;
    Send(out, "setAutoRate", {{"autoRate", Flag(on)}});
    return out;
}

WriteResult CameraTuning::SetAudio(bool on) {
    const Action action(*this);
    shown_.audio = on;
    WriteResult out;
    Send(out, "setaudio", {{"audiomark", Flag(on)}});
    return out;
}

WriteResult CameraTuning::RestoreDefaults() {
    const Action action(*this);
    WriteResult out;
    if (shown_.manualExposure) {
        // Unchecking the box on screen; the defaults command resets the camera's side.
        shown_.manualExposure = false;
    }
    Send(out, "setcolorparm", {{"setcolortype", "setcolordefault"}});
    ReadEverything(out, ReadOrder::Refresh);
    return out;
}

}  // namespace ostrand::video
