#pragma once
// What the maintenance subcommands share: one device by --ip/--port or many
// by --target/--targets-from (for the commands that change a device), the
// run of one operation with the messages it and its channel show, and the
// output (the messages as lines, or one JSON object).

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_common.h"
#include "cli/fleet_targets.h"
#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

struct DeviceOptions {
    TargetOptions single;
    FleetOptions fleet;
    bool fleetAllowed = false;
    std::vector<FleetTarget> targets;  // resolved when the command line names several
};

// --ip and --port, required unless --target or --targets-from is given
// (only where `fleetAllowed`).
void AddDeviceOptions(CLI::App& command, DeviceOptions& options, bool fleetAllowed);

// Run in the subcommand's callback: either --ip/--port or targets, never
// both nor neither; resolves the targets. Throws CLI errors for the usage.
void CheckDeviceOptions(const CLI::App& command, DeviceOptions& options);

using DeviceWork = std::function<MaintenanceOutcome(CommandTarget& target)>;

// Runs `work` on the one device or on every target; returns the exit status
// (0 only when every device succeeded).
int RunMaintenance(const CliSettings& settings, const DeviceOptions& options, const DeviceWork& work);

// Prints a refusal of the command line's input like an operation's and
// returns kTransportBadParameter.
int RefuseInput(const CliSettings& settings, const std::string& text);

}  // namespace ostrand::cli
