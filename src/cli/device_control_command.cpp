// ostrand-cli reboot   --ip IP --port PORT | --target IP:PORT ... [--jobs N]
// ostrand-cli sync-time --ip IP --port PORT | --target IP:PORT ... [--jobs N]

#include "cli/commands.h"
#include "cli/maintenance_cli.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/reboot.h"

namespace ostrand::cli {

void AddRebootCommand(CLI::App& app, CliAction& action) {
    auto options = std::make_shared<DeviceOptions>();
    CLI::App* command = app.add_subcommand("reboot", "restart devices (httpRestart; code 5010 on port 60005)");
    AddDeviceOptions(*command, *options, true);
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, *options);
        action = [options](const CliSettings& settings) {
            return RunMaintenance(settings, *options, [](CommandTarget& target) { return RebootDevice(target); });
        };
    });
}

void AddSyncTimeCommand(CLI::App& app, CliAction& action) {
    auto options = std::make_shared<DeviceOptions>();
    CLI::App* command =
        app.add_subcommand("sync-time", "set devices' clocks to this PC's local time (setDate; port 80 only)");
    AddDeviceOptions(*command, *options, true);
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, *options);
        action = [options](const CliSettings& settings) {
            return RunMaintenance(settings, *options, [](CommandTarget& target) { return SyncPcTime(target); });
        };
    });
}

}  // namespace ostrand::cli
