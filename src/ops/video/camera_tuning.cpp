#include "ops/video/camera_tuning.h"

#include <algorithm>

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

CommandOutcome CameraTuning::Post(std::string command, ParamMap request) {
    request["channel"] = std::to_string(channel_);
    return PostCommand(target_, std::move(command), std::move(request));
}

const CommandOutcome& CameraTuning::Read(WriteResult& out, const char* command) {
    const bool unreachable = std::any_of(out.sent.begin(), out.sent.end(), [](const CommandOutcome& o) {
        return o.skipped || (o.result != kTransportOk && o.result != kTransportBadParameter);
    });
    if (!unreachable) return out.sent.emplace_back(Post(command));
    CommandOutcome skipped;
    skipped.command = command;
    skipped.request = {{"channel", std::to_string(channel_)}};
    skipped.result = kTransportFailed;
    skipped.skipped = true;
    return out.sent.emplace_back(std::move(skipped));
}

void CameraTuning::ReadVideoParam(WriteResult& out) {
    const CommandOutcome& video = Read(out, "getvideoparam");
    if (video.Usable()) {
        if (auto resolution = ResolutionFromVsize(Value(video.reply, "vsize"))) shown_.resolution = *resolution;
        if (auto mode = VideoModeFromReply(Value(video.reply, "videoMode"))) shown_.videoMode = *mode;
    }
    const CommandOutcome& frequency = Read(out, "getpwfreque");
    if (frequency.Usable()) {
        if (auto value = PowerFrequencyFromReply(Value(frequency.reply, "PWFreque"))) shown_.frequency = *value;
    }
}

void CameraTuning::ReadColour(WriteResult& out) {
    const CommandOutcome& colour = Read(out, "getvideocolparam");
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
    const CommandOutcome& gains = Read(out, "getawbgain");
    if (gains.Usable()) {
        shown_.gains = {GainPosition(Value(gains.reply, "awbR")), GainPosition(Value(gains.reply, "awbG")),
                        GainPosition(Value(gains.reply, "awbB"))};
        const AwbModeChoice choice = AwbModeFromReply(Value(gains.reply, "mode"));
        shown_.awbMode = choice.entry;
        if (choice.resetToAuto) out.sent.push_back(Post("setAWBParm", {{"AWB", AwbCodeForEntry(0)}}));
    } else {
        shown_.gains = {20, 20, 20};
    }
    const CommandOutcome& type = Read(out, "getAutoAwbType");
    shown_.manualAwb = type.Usable() && Value(type.reply, "autoawbtype") == "0";
}

void CameraTuning::ReadThresholds(WriteResult& out) {
    const CommandOutcome& sense = Read(out, "getNDsen");
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
    const CommandOutcome& read = Read(out, command);
    if (!read.Usable()) return;
    const std::string value = Value(read.reply, key);
    into = value.empty() ? fallback : value;
}

void CameraTuning::ReadSwitch(WriteResult& out, const char* command, const char* key, bool& into) {
    const CommandOutcome& read = Read(out, command);
    if (!read.Usable()) return;
    if (auto on = SwitchFromReply(Value(read.reply, key))) into = *on;
}

void CameraTuning::ReadRates(WriteResult& out) {
    ReadEdit(out, "getBitRate", "bitRate", kBitRateFallback, shown_.bitRate);
    ReadEdit(out, "getFrate", "frate", kFrameRateFallback, shown_.frameRate);
}

WriteResult CameraTuning::ReadAll(ReadOrder order) {
    WriteResult out;
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
    return out;
}

WriteResult CameraTuning::ReadThresholdValues() {
    WriteResult out;
    ReadThresholds(out);
    return out;
}

WriteResult CameraTuning::ReadVideoValues() {
    WriteResult out;
    ReadVideoParam(out);
    return out;
}

WriteResult CameraTuning::SetResolution(Resolution resolution) {
    WriteResult out;
    shown_.resolution = resolution;
    out.sent.push_back(Post("setVideoSize", {{"vsize", VsizeFor(resolution)}}));
    ReadRates(out);
    return out;
}

WriteResult CameraTuning::SetVideoMode(int entry) {
    WriteResult out;
    shown_.videoMode = std::clamp(entry, 0, kVideoModeCount - 1);
    out.sent.push_back(Post("setvideoparam", {{"videoMode", std::to_string(shown_.videoMode)},
                                              {"vsize", VsizeFor(shown_.resolution)}}));
    ReadRates(out);
    return out;
}

WriteResult CameraTuning::SetPowerFrequency(PowerFrequency frequency) {
    shown_.frequency = frequency;
    return {{Post("setpwfreque", {{"PWFreque", PowerFrequencyCode(frequency)}})}};
}

WriteResult CameraTuning::SetColour(ColourControl control, int percent) {
    const int position = std::clamp(percent, 0, 100);
    shown_.colour[static_cast<std::size_t>(control)] = position;
    return {{Post("setcolorparm", {{"setcolortype", ColourKey(control)}, {"setvalue", std::to_string(position)}})}};
}

WriteResult CameraTuning::SetExposure(int value) {
    shown_.exposure = std::clamp(value, kExposureMin, kExposureMax);
    return {{Post("setcolorparm", {{"setcolortype", "expouse"}, {"setvalue", std::to_string(shown_.exposure)}})}};
}

WriteResult CameraTuning::SetManualExposure(bool manual) {
    shown_.manualExposure = manual;
    return {{Post("setcolorparm", {{"setcolortype", "opencloseexpouse"}, {"setvalue", Flag(manual)}})}};
}

WriteResult CameraTuning::SetGain(AwbGain gain, int position) {
    const int shownPosition = std::clamp(position, 0, 100);
    shown_.gains[static_cast<std::size_t>(gain)] = shownPosition;
    return {{Post("setAWBGain", {{"awbtype", std::to_string(static_cast<int>(gain))},
                                 {"setvalue", GainSendValue(shownPosition)}})}};
}

void CameraTuning::SendGreenReset(WriteResult& out) {
    out.sent.push_back(Post("setAWBGain", {{"awbtype", "1"}, {"setvalue", kGreenResetGain}}));
}

WriteResult CameraTuning::SetAwbMode(int entry) {
    WriteResult out;
    shown_.awbMode = std::clamp(entry, 0, kAwbModeCount - 1);
    SendGreenReset(out);
    out.sent.push_back(Post("setAWBParm", {{"AWB", AwbCodeForEntry(shown_.awbMode)}}));
    ReadWhiteBalance(out);
    return out;
}

WriteResult CameraTuning::SetManualAwb(bool manual) {
    WriteResult out;
    shown_.manualAwb = manual;
    if (!manual) SendGreenReset(out);
    out.sent.push_back(Post("setAutoAwbType", {{"autoawb", manual ? "0" : "1"}}));
    ReadWhiteBalance(out);
    return out;
}

WriteResult CameraTuning::SetDayThreshold(int day) {
    shown_.day = DayAfterSpacing(std::clamp(day, 0, kThresholdMax), shown_.night);
    return {{Post("setNDsen", {{"sentype", "0"}, {"setvalue", std::to_string(shown_.day)}})}};
}

WriteResult CameraTuning::SetNightThreshold(int night) {
    shown_.night = NightAfterSpacing(shown_.day, std::clamp(night, 0, kThresholdMax));
    return {{Post("setNDsen", {{"sentype", "1"}, {"setvalue", std::to_string(shown_.night)}})}};
}

EditResult CameraTuning::SetEdit(EditField field, std::string_view text, Language language) {
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
            result.write.sent.push_back(Post("setBitRate", {{"bitRate", value}}));
            break;
        case EditField::FrameRate:
            shown_.frameRate = value;
            result.write.sent.push_back(Post("setFrate", {{"frate", value}}));
            break;
        case EditField::KeyFrame:
            shown_.keyFrame = value;
            result.write.sent.push_back(Post("setkeyframe", {{"keyframe", value}}));
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
    shown_.autoRate = on;
    return {{Post("setAutoRate", {{"autoRate", Flag(on)}})}};
}

WriteResult CameraTuning::SetAudio(bool on) {
    shown_.audio = on;
    return {{Post("setaudio", {{"audiomark", Flag(on)}})}};
}

WriteResult CameraTuning::RestoreDefaults() {
    WriteResult out;
    if (shown_.manualExposure) {
        // Unchecking the box on screen; the defaults command resets the camera's side.
        shown_.manualExposure = false;
    }
    out.sent.push_back(Post("setcolorparm", {{"setcolortype", "setcolordefault"}}));
    WriteResult reads = ReadAll(ReadOrder::Refresh);
    for (CommandOutcome& outcome : reads.sent) out.sent.push_back(std::move(outcome));
    return out;
}

}  // namespace ostrand::video
