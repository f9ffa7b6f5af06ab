#include "cli/exit_status.h"

#include <cstdio>

namespace ostrand::cli {

std::string ExitStatusHelp() {
    std::string text = "Exit status:\n";
    for (const ExitStatusRow& row : kExitStatusTable) {
        char number[8];
        std::snprintf(number, sizeof number, "  %-3d ", row.status);
        text += number;
        text += row.meaning;
        text += '\n';
    }
    text +=
        "  With several devices (--target, --targets-from): 0 when every device succeeded, otherwise the\n"
        "  status of the first device, in the order given, that failed.\n";
    return text;
}

}  // namespace ostrand::cli
