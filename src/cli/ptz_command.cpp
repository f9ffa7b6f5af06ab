// ostrand-cli ptz move|stop|preset|cruise DEVICES ...
// The preview dialog's PTZ panel: a movement runs until a stop (or, with
// --hold, for that long, as a held button does), presets by number, a cruise
// along one of 16 tracks.

#include <chrono>
#include <thread>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/video/ptz_control.h"

namespace ostrand::cli {

namespace {

// The camera's refusal, or the transport's failure with the HTTP layer's
// reason; the reply's entries as values.
DeviceReport PtzReport(const video::CommandOutcome& outcome) {
    DeviceReport report;
    TransportResult result = outcome.result;
    if (result == kTransportOk && !outcome.Succeeded()) result = kTransportFailed;
    report.status = StatusOfTransport(result);
    if (result != kTransportOk) report.text = video::WriteResult{{outcome}}.FailureText();
    report.AddReply(outcome.reply);
    return report;
}

}  // namespace

void AddPtzCommand(CLI::App& app, CliAction& action) {
    CLI::App* ptz = app.add_subcommand("ptz", "pan/tilt/zoom, focus, iris, presets and cruise of cameras");
    ptz->require_subcommand(1);

    struct MoveOptions {
        std::string direction;
        int speed = video::kPtzSpeedStart;
        int holdMs = -1;
    };
    auto move = std::make_shared<MoveOptions>();
    CLI::App* moveCommand = ptz->add_subcommand("move", "start a movement (it runs until ptz stop, or --hold)");
    moveCommand
        ->add_option("DIRECTION", move->direction,
                     "up, down, left, right, zoom-long, zoom-short, focus-far, focus-near, iris-big, iris-small")
        ->required()
        ->check(CLI::IsMember({"up", "down", "left", "right", "zoom-long", "zoom-short", "focus-far",
                               "focus-near", "iris-big", "iris-small"}));
    moveCommand->add_option("--speed", move->speed, "speed 0..63 (0 is sent as 1; default 40)")
        ->check(CLI::Range(0, video::kPtzSpeedMax));
    moveCommand->add_option("--hold", move->holdMs, "milliseconds before the stop is sent (0..60000)")
        ->check(CLI::Range(0, 60000));
    DeviceCommand(*moveCommand, action, ChangesDevice(), [move](const CliSettings&) -> DeviceJob {
        const auto direction = video::PtzMoveFromName(move->direction);
        if (!direction) throw UsageError("ptz move: unknown DIRECTION \"" + move->direction + "\"");
        return [move, direction = *direction](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            const video::CommandOutcome started = video::SendPtzMove(target, direction, move->speed);
            if (move->holdMs < 0 || started.result != kTransportOk) return PtzReport(started);
            std::this_thread::sleep_for(std::chrono::milliseconds(move->holdMs));
            const video::CommandOutcome stopped = video::SendPtzStop(target);
            // The movement's refusal counts first; otherwise the stop's outcome.
            return PtzReport(started.Succeeded() ? stopped : started);
        };
    });

    CLI::App* stopCommand = ptz->add_subcommand("stop", "stop any movement");
    DeviceCommand(*stopCommand, action, ChangesDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return PtzReport(video::SendPtzStop(target));
        };
    });

    struct PresetOptions {
        std::string action;
        int number = 1;
    };
    auto preset = std::make_shared<PresetOptions>();
    CLI::App* presetCommand = ptz->add_subcommand("preset", "store, recall or delete a preset position");
    presetCommand->add_option("ACTION", preset->action, "add, delete, goto or delete-all")
        ->required()
        ->check(CLI::IsMember({"add", "delete", "goto", "delete-all"}));
    presetCommand->add_option("NUMBER", preset->number, "preset 1..255 (default 1)")
        ->check(CLI::Range(video::kPresetFirst, video::kPresetLast));
    DeviceCommand(*presetCommand, action, ChangesDevice(), [preset](const CliSettings&) -> DeviceJob {
        const auto presetAction = video::PresetActionFromName(preset->action);
        if (!presetAction) throw UsageError("ptz preset: unknown ACTION \"" + preset->action + "\"");
        return [presetAction = *presetAction, number = preset->number](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return PtzReport(video::SendPreset(target, presetAction, number));
        };
    });

    struct CruiseOptions {
        int track = 1;
    };
    auto cruise = std::make_shared<CruiseOptions>();
    CLI::App* cruiseCommand = ptz->add_subcommand("cruise", "cruise along a track of presets");
    cruiseCommand->add_option("TRACK", cruise->track, "track 1..16 (presets 16(n-1)+1 .. 16n)")
        ->required()
        ->check(CLI::Range(1, video::kTrackCount));
    DeviceCommand(*cruiseCommand, action, ChangesDevice(), [cruise](const CliSettings&) -> DeviceJob {
        return [track = cruise->track](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return PtzReport(video::SendCruise(target, track));
        };
    });
}

}  // namespace ostrand::cli
