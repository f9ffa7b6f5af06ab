#pragma once
// Pan/tilt/zoom control: every action is one "setptzparam" command without a
// "channel" key. A movement runs while its button is held; releasing any of
// them sends the one pan/tilt stop. Presets are stored, recalled and deleted
// by number, and a cruise follows one of 16 tracks.

#include <optional>
#include <string>
#include <string_view>

#include "ops/video/command_outcome.h"

namespace ostrand::video {

enum class PtzMove { Up, Down, Left, Right, ZoomLong, ZoomShort, FocusFar, FocusNear, IrisBig, IrisSmall };
enum class PresetAction { Add, Delete, MoveTo, DeleteAll };

inline constexpr int kPtzSpeedMax = 63;
inline constexpr int kPtzSpeedStart = 40;
inline constexpr int kPresetFirst = 1;
inline constexpr int kPresetLast = 255;
inline constexpr int kTrackCount = 16;

// Names as the command line spells them ("up", "zoom-long", "add", "goto" ...).
std::optional<PtzMove> PtzMoveFromName(std::string_view name);
std::optional<PresetAction> PresetActionFromName(std::string_view name);

// The requests. A movement at speed 0 is sent at speed 1; speeds above the
// slider's range are sent at its top.
ParamMap PtzMoveRequest(PtzMove move, int speed);
ParamMap PtzStopRequest();
ParamMap PresetRequest(PresetAction action, int preset);
ParamMap CruiseRequest(int track);

// The track selector's entry n (1..16): "轨道n(16(n-1)+1-16n)".
std::string TrackEntryText(int track);

CommandOutcome SendPtzMove(CommandTarget& target, PtzMove move, int speed);
CommandOutcome SendPtzStop(CommandTarget& target);
// Preset numbers outside 1..255 and tracks outside 1..16 are not sent
// (kTransportBadParameter).
CommandOutcome SendPreset(CommandTarget& target, PresetAction action, int preset);
CommandOutcome SendCruise(CommandTarget& target, int track);

}  // namespace ostrand::video
