// ostrand-cli reboot DEVICES
// ostrand-cli sync-time DEVICES

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/reboot.h"

namespace ostrand::cli {

void AddRebootCommand(CLI::App& app, CliAction& action) {
    CLI::App* command = app.add_subcommand("reboot", "restart devices (httpRestart; code 5010 on port 60005)");
    DeviceCommand(*command, action, ChangesDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return ReportOf(RebootDevice(target));
        };
    });
}

void AddSyncTimeCommand(CLI::App& app, CliAction& action) {
    CLI::App* command =
        app.add_subcommand("sync-time", "set devices' clocks to this PC's local time (setDate; port 80 only)");
    DeviceCommand(*command, action, ChangesDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return ReportOf(SyncPcTime(target));
        };
    });
}

}  // namespace ostrand::cli
