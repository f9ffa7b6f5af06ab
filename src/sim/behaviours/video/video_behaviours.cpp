// The camera side of the preview dialog's commands: image and encoding values
// per channel, the PTZ head and its presets, and the status inputs.

#include <charconv>
#include <cstdio>
#include <functional>
#include <optional>

#include "sim/behaviours/video/camera_access.h"
#include "sim/command_behaviours.h"

namespace ostrand::sim {

namespace {

using video::CameraVideoState;
using video::Clock;
using video::WithCamera;

ParamMap Refusal(const std::string& why) { return ParamMap{{"result", "10001"}, {"errmsg", why}}; }

std::string Field(const ParamMap& request, const char* key) {
    const auto it = request.find(key);
    return it == request.end() ? std::string() : it->second;
}

std::optional<int> Number(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<int> NumberIn(const ParamMap& request, const char* key, int low, int high) {
    const auto value = Number(Field(request, key));
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

// A command on one channel: the request's "channel" must name one the camera has.
using ChannelUse = std::function<ParamMap(ParamMap& values, const ParamMap& request)>;
CommandBehaviour OnChannel(ChannelUse use) {
    return [use = std::move(use)](Device& device, const ParamMap& request) {
        return WithCamera(device, [&](CameraVideoState& state) {
            const auto channel = NumberIn(request, "channel", 0, state.channelCount - 1);
            if (!channel) return Refusal("no such channel");
            return use(state.channels[static_cast<std::size_t>(*channel)], request);
        });
    };
}

void AddRead(CommandBehaviours& table, const char* command, std::vector<const char*> keys) {
    table.AddName(command, OnChannel([keys](ParamMap& values, const ParamMap&) {
        ParamMap reply;
        for (const char* key : keys) reply[key] = values[key];
        return reply;
    }));
}

// A write of one request key into one stored key, within a range.
void AddWrite(CommandBehaviours& table, const char* command, const char* requestKey, const char* storedKey,
              int low, int high) {
    table.AddName(command, OnChannel([=](ParamMap& values, const ParamMap& request) {
        const auto value = NumberIn(request, requestKey, low, high);
        if (!value) return Refusal(std::string(requestKey) + " out of range");
        values[storedKey] = std::to_string(*value);
        return ParamMap{};
    }));
}

// The camera keeps colours in 0..255 and takes them as percentages.
std::string FromPercent(int percent) { return std::to_string((percent * 255 + 50) / 100); }

ParamMap SetColour(ParamMap& values, const ParamMap& request) {
    const std::string type = Field(request, "setcolortype");
    if (type == "setcolordefault") {
        const ParamMap defaults = video::DefaultChannelValues();
        for (const char* key : {"lightness", "contrast", "staturation", "hue", "shapness", "expourse", "AESwitch"}) {
            values[key] = defaults.at(key);
        }
        return {};
    }
    if (type == "expouse") {
        const auto value = NumberIn(request, "setvalue", 100, 50000);
        if (!value) return Refusal("exposure out of range");
        values["expourse"] = std::to_string(*value);
        return {};
    }
    if (type == "opencloseexpouse") {
        const auto value = NumberIn(request, "setvalue", 0, 1);
        if (!value) return Refusal("bad exposure switch");
        values["AESwitch"] = std::to_string(*value);
        return {};
    }
    for (const char* key : {"lightness", "contrast", "staturation", "hue", "shapness"}) {
        if (type != key) continue;
        const auto value = NumberIn(request, "setvalue", 0, 100);
        if (!value) return Refusal("colour out of range");
        values[key] = FromPercent(*value);
        return {};
    }
    return Refusal("unknown setcolortype");
}

ParamMap SetGain(ParamMap& values, const ParamMap& request) {
    static constexpr const char* kGainKeys[] = {"awbR", "awbG", "awbB"};
    const auto type = NumberIn(request, "awbtype", 0, 2);
    const auto value = NumberIn(request, "setvalue", 0, 10000);
    if (!type || !value) return Refusal("bad white balance gain");
    values[kGainKeys[*type]] = std::to_string(*value);
    return {};
}

ParamMap SetVideoSize(ParamMap& values, const ParamMap& request) {
    const std::string vsize = Field(request, "vsize");
    if (vsize != "4" && vsize != "12") return Refusal("unknown vsize");
    values["vsize"] = vsize;
    // A new resolution brings that resolution's bit rate.
    values["bitRate"] = vsize == "4" ? "768" : "1536";
    return {};
}

ParamMap SetVideoParam(ParamMap& values, const ParamMap& request) {
    const auto mode = NumberIn(request, "videoMode", 0, 6);
    if (!mode) return Refusal("unknown videoMode");
    if (const std::string vsize = Field(request, "vsize"); !vsize.empty()) {
        if (ParamMap refused = SetVideoSize(values, request); !refused.empty()) return refused;
    }
    values["videoMode"] = std::to_string(*mode);
    return {};
}

ParamMap SetPowerFrequency(ParamMap& values, const ParamMap& request) {
    const std::string frequency = Field(request, "PWFreque");
    if (frequency != "50" && frequency != "60") return Refusal("unknown PWFreque");
    values["PWFreque"] = frequency;
    return {};
}

ParamMap SetThreshold(ParamMap& values, const ParamMap& request) {
    const auto type = NumberIn(request, "sentype", 0, 1);
    const auto value = NumberIn(request, "setvalue", 0, 500);
    if (!type || !value) return Refusal("bad threshold");
    values[*type == 0 ? "dsen" : "nsen"] = std::to_string(*value);
    return {};
}

std::string Degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

ParamMap PtzCommand(CameraVideoState& state, const ParamMap& request) {
    const auto type = Number(Field(request, "ptztype"));
    const auto subtype = Number(Field(request, "ptzsubtype"));
    const auto speed = Number(Field(request, "ptzspeed"));
    if (!type || !subtype || !speed) return Refusal("bad ptz request");
    const Clock::time_point now = Clock::now();
    if (*type == 7 && *subtype == 0) {
        state.head.Stop(now);
        state.cruiseTrack = 0;
        return {};
    }
    if (*type != 8) {
        if (*speed < 1 || *speed > 63) return Refusal("ptzspeed out of range");
        if (!state.head.StartMove(*type, *subtype, *speed, now)) return Refusal("unknown ptz movement");
        state.cruiseTrack = 0;
        return {};
    }
    const int number = *speed;
    switch (*subtype) {
        case 1:  // add: the position the head stands at now
            if (number < 1 || number > 255) return Refusal("preset out of range");
            state.presets[number] = state.head.PositionAt(now);
            return {};
        case 2:
            if (state.presets.erase(number) == 0) return Refusal("preset not set");
            return {};
        case 3: {
            const auto it = state.presets.find(number);
            if (it == state.presets.end()) return Refusal("preset not set");
            state.head.MoveTo(it->second);
            state.cruiseTrack = 0;
            return {};
        }
        case 4: {  // cruise: along the track's presets, starting at its first
            if (number < 1 || number > 16) return Refusal("track out of range");
            // A track without presets is accepted and leaves the head where it is.
            const auto first = state.presets.lower_bound(16 * (number - 1) + 1);
            if (first != state.presets.end() && first->first <= 16 * number) state.head.MoveTo(first->second);
            state.cruiseTrack = number;
            return {};
        }
        case 5:
            state.presets.clear();
            return {};
        default: return Refusal("unknown preset action");
    }
}

// The head as the simulator sees it; not a command the tool sends, but what
// `ostrand-cli get ... getptzparam` and tests read to see the head move.
ParamMap PtzPositionReply(CameraVideoState& state) {
    const video::PtzPosition p = state.head.PositionAt(Clock::now());
    std::string presets;
    for (const auto& [number, position] : state.presets) {
        presets += (presets.empty() ? "" : ",") + std::to_string(number);
    }
    return ParamMap{{"pan", Degrees(p.pan)},     {"tilt", Degrees(p.tilt)},
                    {"zoom", Degrees(p.zoom)},   {"focus", Degrees(p.focus)},
                    {"iris", Degrees(p.iris)},   {"moving", state.head.Moving() ? "1" : "0"},
                    {"cruise", std::to_string(state.cruiseTrack)}, {"presets", presets}};
}

ParamMap StatusCheck(CameraVideoState& state) {
    if (state.sdcheckAnswers >= 0 && state.sdcheckCount >= state.sdcheckAnswers) return Refusal("sdcheck failed");
    ++state.sdcheckCount;
    return state.status;
}

}  // namespace

void AddVideoBehaviours(CommandBehaviours& table) {
    AddRead(table, "getvideoparam", {"vsize", "videoMode"});
    AddRead(table, "getpwfreque", {"PWFreque"});
    AddRead(table, "getvideocolparam",
            {"lightness", "contrast", "staturation", "hue", "shapness", "expourse", "AESwitch"});
    AddRead(table, "getawbgain", {"awbR", "awbG", "awbB", "mode"});
    AddRead(table, "getAutoAwbType", {"autoawbtype"});
    AddRead(table, "getNDsen", {"dsen", "nsen"});
    AddRead(table, "getBitRate", {"bitRate"});
    AddRead(table, "getFrate", {"frate"});
    AddRead(table, "getAutoRate", {"autoRate"});
    AddRead(table, "getaudio", {"audiomark"});
    AddRead(table, "getPSKeyValue", {"pskeyvalue"});
    AddRead(table, "getkeyframe", {"keyframe"});

    table.AddName("setVideoSize", OnChannel(SetVideoSize));
    table.AddName("setvideoparam", OnChannel(SetVideoParam));
    table.AddName("setpwfreque", OnChannel(SetPowerFrequency));
    table.AddName("setcolorparm", OnChannel(SetColour));
    table.AddName("setAWBGain", OnChannel(SetGain));
    AddWrite(table, "setAWBParm", "AWB", "mode", 2, 6);
    AddWrite(table, "setAutoAwbType", "autoawb", "autoawbtype", 0, 1);
    table.AddName("setNDsen", OnChannel(SetThreshold));
    AddWrite(table, "setBitRate", "bitRate", "bitRate", 1, 2000);
    AddWrite(table, "setFrate", "frate", "frate", 1, 30);
    AddWrite(table, "setkeyframe", "keyframe", "keyframe", 30, 128);
    AddWrite(table, "setAutoRate", "autoRate", "autoRate", 0, 1);
    AddWrite(table, "setaudio", "audiomark", "audiomark", 0, 1);

    table.AddName("setptzparam", [](Device& device, const ParamMap& request) {
        return WithCamera(device, [&](CameraVideoState& state) { return PtzCommand(state, request); });
    });
    table.AddName("getptzparam", [](Device& device, const ParamMap&) {
        return WithCamera(device, [](CameraVideoState& state) { return PtzPositionReply(state); });
    });
    table.AddName("sdcheck", [](Device& device, const ParamMap&) {
        return WithCamera(device, [](CameraVideoState& state) { return StatusCheck(state); });
    });
}

}  // namespace ostrand::sim
