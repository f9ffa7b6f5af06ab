#include "ops/video/ptz_control.h"

#include <algorithm>
#include <array>

namespace ostrand::video {

namespace {

constexpr const char* kPtzCommand = "setptzparam";
constexpr const char* kPresetType = "8";
constexpr const char* kCruiseSubtype = "4";

struct MoveCode {
    PtzMove move;
    const char* name;
    const char* type;
    const char* subtype;
};

constexpr std::array<MoveCode, 10> kMoves = {{
    {PtzMove::Up, "up", "7", "1"},
    {PtzMove::Down, "down", "7", "2"},
    {PtzMove::Left, "left", "7", "3"},
    {PtzMove::Right, "right", "7", "4"},
    {PtzMove::ZoomLong, "zoom-long", "4", "1"},
    {PtzMove::ZoomShort, "zoom-short", "4", "2"},
    {PtzMove::FocusFar, "focus-far", "6", "1"},
    {PtzMove::FocusNear, "focus-near", "6", "2"},
    {PtzMove::IrisBig, "iris-big", "5", "1"},
    {PtzMove::IrisSmall, "iris-small", "5", "2"},
}};

struct PresetCode {
    PresetAction action;
    const char* name;
    const char* subtype;
};

constexpr std::array<PresetCode, 4> kPresets = {{
    {PresetAction::Add, "add", "1"},
    {PresetAction::Delete, "delete", "2"},
    {PresetAction::MoveTo, "goto", "3"},
    {PresetAction::DeleteAll, "delete-all", "5"},
}};

const MoveCode& CodeOf(PtzMove move) {
    return *std::find_if(kMoves.begin(), kMoves.end(), [move](const MoveCode& c) { return c.move == move; });
}

const PresetCode& CodeOf(PresetAction action) {
    return *std::find_if(kPresets.begin(), kPresets.end(),
                         [action](const PresetCode& c) { return c.action == action; });
}

ParamMap PtzRequest(const char* type, const char* subtype, std::string speed) {
    return ParamMap{{"ptztype", type}, {"ptzsubtype", subtype}, {"ptzspeed", std::move(speed)}};
}

// The PTZ commands' replies are examined for their "result" only.
CommandOutcome Post(CommandTarget& target, ParamMap request) {
    return PostCommand(target, kPtzCommand, std::move(request), {nullptr, {"result"}});
}

CommandOutcome Refused(ParamMap request) {
    CommandOutcome outcome;
    outcome.command = kPtzCommand;
    outcome.request = std::move(request);
    outcome.result = kTransportBadParameter;
    return outcome;
}

}  // namespace

std::optional<PtzMove> PtzMoveFromName(std::string_view name) {
    for (const MoveCode& code : kMoves) {
        if (name == code.name) return code.move;
    }
    return std::nullopt;
}

std::optional<PresetAction> PresetActionFromName(std::string_view name) {
    for (const PresetCode& code : kPresets) {
        if (name == code.name) return code.action;
    }
    return std::nullopt;
}

ParamMap PtzMoveRequest(PtzMove move, int speed) {
    const MoveCode& code = CodeOf(move);
    return PtzRequest(code.type, code.subtype, std::to_string(std::clamp(speed, 1, kPtzSpeedMax)));
}

ParamMap PtzStopRequest() { return PtzRequest("7", "0", "0"); }

ParamMap PresetRequest(PresetAction action, int preset) {
    return PtzRequest(kPresetType, CodeOf(action).subtype, std::to_string(preset));
}

ParamMap CruiseRequest(int track) { return PtzRequest(kPresetType, kCruiseSubtype, std::to_string(track)); }

std::string TrackEntryText(int track) {
    return "轨道" + std::to_string(track) + "(" + std::to_string(16 * (track - 1) + 1) + "-" +
           std::to_string(16 * track) + ")";
}

CommandOutcome SendPtzMove(CommandTarget& target, PtzMove move, int speed) {
    return Post(target, PtzMoveRequest(move, speed));
}

CommandOutcome SendPtzStop(CommandTarget& target) { return Post(target, PtzStopRequest()); }

CommandOutcome SendPreset(CommandTarget& target, PresetAction action, int preset) {
    ParamMap request = PresetRequest(action, preset);
    if (preset < kPresetFirst || preset > kPresetLast) return Refused(std::move(request));
    return Post(target, std::move(request));
}

CommandOutcome SendCruise(CommandTarget& target, int track) {
    ParamMap request = CruiseRequest(track);
    if (track < 1 || track > kTrackCount) return Refused(std::move(request));
    return Post(target, std::move(request));
}

}  // namespace ostrand::video
