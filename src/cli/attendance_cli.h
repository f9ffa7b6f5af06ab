#pragma once
// What the attendance-terminal subcommands (terminal, periods, bind-ipc,
// bind-qr, visitors, card) share: the terminal a fleet target names. They
// report through the one runner and printer (device_run.h).

#include <cstdint>

#include "cli/cli_common.h"
#include "cli/device_target.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

inline DeviceEndpoint EndpointOf(const FleetTarget& device) {
    return {device.ip, static_cast<std::uint16_t>(device.port)};
}

// The subcommands, one file each; attendance_command.cpp adds them all.
void AddTerminalCommand(CLI::App& app, CliAction& action);
void AddPeriodsCommand(CLI::App& app, CliAction& action);
void AddBindingCommands(CLI::App& app, CliAction& action);
void AddCardCommand(CLI::App& app, CliAction& action);

}  // namespace ostrand::cli
