// ostrand-cli ptz move|stop|preset|cruise --ip IP --port PORT ...
// The preview dialog's PTZ panel: a movement runs until a stop (or, with
// --hold, for that long, as a held button does), presets by number, a cruise
// along one of 16 tracks.

#include <chrono>
#include <thread>

#include "cli/commands.h"
#include "ops/video/ptz_control.h"

namespace ostrand::cli {

namespace {

int PrintPtz(const CliSettings& settings, const video::CommandOutcome& outcome) {
    TransportResult result = outcome.result;
    if (result == kTransportOk && !outcome.Succeeded()) result = kTransportFailed;
    const video::WriteResult write{{outcome}};
    // The camera's refusal, or the transport's failure with the HTTP layer's reason.
    const std::string text = result == kTransportOk ? TransportResultText(result) : write.FailureText();
    return PrintOutcome(settings, result, text, outcome.reply);
}

}  // namespace

void AddPtzCommand(CLI::App& app, CliAction& action) {
    CLI::App* ptz = app.add_subcommand("ptz", "pan/tilt/zoom, focus, iris, presets and cruise of a camera");
    ptz->require_subcommand(1);

    struct MoveOptions {
        TargetOptions target;
        std::string direction;
        int speed = video::kPtzSpeedStart;
        int holdMs = -1;
    };
    auto move = std::make_shared<MoveOptions>();
    CLI::App* moveCommand = ptz->add_subcommand("move", "start a movement (it runs until ptz stop, or --hold)");
    AddTargetOptions(*moveCommand, move->target);
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
    moveCommand->callback([move, &action] {
        action = [move](const CliSettings& settings) {
            CommandTarget target(move->target.ip, move->target.port);
            const auto direction = video::PtzMoveFromName(move->direction);
            if (!direction) return kTransportBadParameter;
            const video::CommandOutcome started = video::SendPtzMove(target, *direction, move->speed);
            if (move->holdMs < 0 || started.result != kTransportOk) return PrintPtz(settings, started);
            std::this_thread::sleep_for(std::chrono::milliseconds(move->holdMs));
            const video::CommandOutcome stopped = video::SendPtzStop(target);
            // The movement's refusal counts first; otherwise the stop's outcome.
            return PrintPtz(settings, started.Succeeded() ? stopped : started);
        };
    });

    auto stop = std::make_shared<TargetOptions>();
    CLI::App* stopCommand = ptz->add_subcommand("stop", "stop any movement");
    AddTargetOptions(*stopCommand, *stop);
    stopCommand->callback([stop, &action] {
        action = [stop](const CliSettings& settings) {
            CommandTarget target(stop->ip, stop->port);
            return PrintPtz(settings, video::SendPtzStop(target));
        };
    });

    struct PresetOptions {
        TargetOptions target;
        std::string action;
        int number = 1;
    };
    auto preset = std::make_shared<PresetOptions>();
    CLI::App* presetCommand = ptz->add_subcommand("preset", "store, recall or delete a preset position");
    AddTargetOptions(*presetCommand, preset->target);
    presetCommand->add_option("ACTION", preset->action, "add, delete, goto or delete-all")
        ->required()
        ->check(CLI::IsMember({"add", "delete", "goto", "delete-all"}));
    presetCommand->add_option("NUMBER", preset->number, "preset 1..255 (default 1)")
        ->check(CLI::Range(video::kPresetFirst, video::kPresetLast));
    presetCommand->callback([preset, &action] {
        action = [preset](const CliSettings& settings) {
            CommandTarget target(preset->target.ip, preset->target.port);
            const auto presetAction = video::PresetActionFromName(preset->action);
            if (!presetAction) return kTransportBadParameter;
            return PrintPtz(settings, video::SendPreset(target, *presetAction, preset->number));
        };
    });

    struct CruiseOptions {
        TargetOptions target;
        int track = 1;
    };
    auto cruise = std::make_shared<CruiseOptions>();
    CLI::App* cruiseCommand = ptz->add_subcommand("cruise", "cruise along a track of presets");
    AddTargetOptions(*cruiseCommand, cruise->target);
    cruiseCommand->add_option("TRACK", cruise->track, "track 1..16 (presets 16(n-1)+1 .. 16n)")
        ->required()
        ->check(CLI::Range(1, video::kTrackCount));
    cruiseCommand->callback([cruise, &action] {
        action = [cruise](const CliSettings& settings) {
            CommandTarget target(cruise->target.ip, cruise->target.port);
            return PrintPtz(settings, video::SendCruise(target, cruise->track));
        };
    });
}

}  // namespace ostrand::cli
