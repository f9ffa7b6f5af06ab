// ostrand-cli card get|set DEVICES: long-range card reading of an attendance
// terminal.

#include "cli/attendance_cli.h"
#include "cli/device_run.h"
#include "ops/attendance/card_params.h"

namespace ostrand::cli {

void AddCardCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string count;
        std::string time;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("card", "long-range card reading: read count and read time");
    command->require_subcommand(1);
    CLI::App* get = command->add_subcommand("get", "print count and time");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            const CardParamsRead read = ReadCardParams(EndpointOf(device));
            return ReadReport(read.outcome, read.unusable,
                              {{"count", OutputText(read.values.readCount)}, {"time", OutputText(read.values.readTime)}});
        };
    });
    CLI::App* set = command->add_subcommand("set", "change both (0-255; sent as typed)");
    set->add_option("--count", options->count, "read count")->required();
    set->add_option("--time", options->time, "read time, seconds")->required();
    DeviceCommand(*set, action, ChangesDevice(), [options](const CliSettings&) -> DeviceJob {
        const CardParams params{GbkArgument(options->count, "read count"), GbkArgument(options->time, "read time")};
        return [params](const FleetTarget& device) { return ReportOf(WriteCardParams(EndpointOf(device), params)); };
    });
}

}  // namespace ostrand::cli
