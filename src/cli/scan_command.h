#pragma once
// "ostrand-cli scan": the Search of the main window's button, printing the
// device list rows instead of showing them. The subcommand itself is added by
// cli::AddScanCommand (commands.h).

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "devices/device_list.h"

namespace ostrand {

struct ScanCommandOptions {
    std::optional<std::int32_t> flags;   // "SimpleScan" bits; the settings file's when absent
    std::optional<std::int32_t> waitMs;  // "ScanTimeOut"; the settings file's when absent
    std::vector<std::string> bindAddresses;
    std::vector<std::string> destinations;  // scan destinations "a.b.c.d:port"
    std::string hdsDestination;             // "a.b.c.d:port"; the HDS group when empty
    bool json = false;                      // the tool's global --json
    bool header = true;                     // the header line of plain output (--no-header leaves it out)
    bool trace = false;                     // diagnostic lines to stderr
    std::string xlsPath;                    // also write the rows to this workbook when set
};

// Runs one Search and prints the rows; with `xlsPath` the same rows also go to
// that workbook under the English headers. 0 on success, cli::kUsageExitStatus
// on a bad argument (nothing sent), 10 when the workbook cannot be written.
int RunScanCommand(const ScanCommandOptions& options, std::ostream& out, std::ostream& err);

// The 19 column headers of the printed list: the English ones, the Chinese
// one where a column has no English header.
std::vector<std::string> ScanColumns();

}  // namespace ostrand
