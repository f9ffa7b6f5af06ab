// ostrand-cli card get|set: long-range card reading of an attendance terminal.

#include "cli/attendance_cli.h"
#include "ops/attendance/card_params.h"

namespace ostrand::cli {

void AddCardCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::string count;
        std::string time;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("card", "long-range card reading: read count and read time");
    command->require_subcommand(1);
    CLI::App* get = command->add_subcommand("get", "print count and time");
    AddTargetOptions(*get, options->target);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const CardParamsRead read = ReadCardParams(EndpointOf(options->target));
            return PrintTerminalOutcome(settings, read.outcome,
                                        {{"count", OutputText(read.values.readCount)},
                                         {"time", OutputText(read.values.readTime)}});
        };
    });
    CLI::App* set = command->add_subcommand("set", "change both (0-255; sent as typed)");
    AddTargetOptions(*set, options->target);
    set->add_option("--count", options->count, "read count")->required();
    set->add_option("--time", options->time, "read time, seconds")->required();
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const auto count = DeviceText(options->count, "read count");
            const auto time = count ? DeviceText(options->time, "read time") : std::nullopt;
            if (!count || !time) return kRefusedExitStatus;
            return PrintTerminalOutcome(settings, WriteCardParams(EndpointOf(options->target), {*count, *time}));
        };
    });
}

}  // namespace ostrand::cli
