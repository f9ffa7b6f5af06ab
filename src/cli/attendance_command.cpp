// The attendance-terminal subcommands: terminal, periods, bind-ipc, bind-qr,
// visitors, card.

#include "cli/attendance_cli.h"
#include "cli/commands.h"

namespace ostrand::cli {

void AddAttendanceCommands(CLI::App& app, CliAction& action) {
    AddTerminalCommand(app, action);
    AddPeriodsCommand(app, action);
    AddBindingCommands(app, action);
    AddCardCommand(app, action);
}

}  // namespace ostrand::cli
