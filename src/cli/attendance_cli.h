#pragma once
// What the attendance-terminal subcommands (terminal, periods, bind-ipc,
// bind-qr, visitors, card) share: the terminal a fleet target names. They
// report through the one runner and printer (device_run.h).

#include <cstdint>

#include "cli/cli_common.h"
#include "cli/device_report.h"
#include "cli/device_run.h"
#include "cli/device_target.h"
#include "ops/attendance/terminal_exchange.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

// The report of a read: its values, or why the reply cannot stand for them
// (a refusal the operation notes in `unusable`), so a refused read never
// prints made-up values with success.
inline DeviceReport ReadReport(const TerminalOutcome& outcome, const std::string& unusable, Fields values) {
    if (outcome.Succeeded() && !unusable.empty()) return DeviceReport::Failure(kFailedExitStatus, unusable);
    return ReportOf(outcome, std::move(values));
}

// The subcommands, one file each; attendance_command.cpp adds them all.
void AddTerminalCommand(CLI::App& app, CliAction& action);
void AddPeriodsCommand(CLI::App& app, CliAction& action);
void AddBindingCommands(CLI::App& app, CliAction& action);
void AddCardCommand(CLI::App& app, CliAction& action);

}  // namespace ostrand::cli
