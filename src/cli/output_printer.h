#pragma once
// The one printer of ostrand-cli. Every subcommand hands it DeviceReports;
// it decides the shape of the output once for all of them:
//
//   plain, one device     KEY=VALUE lines, then the list (a header line unless
//                         --no-header, then one tab-separated line per row),
//                         then the dialog's texts: on stdout when the run
//                         succeeded, on stderr when it failed.
//   plain, several        one line per device as it ends:
//                         IP:PORT <TAB> 成功|失败 <TAB> text [<TAB> KEY=VALUE]...
//                         then its rows as IP:PORT <TAB> cells..., and a summary.
//   --json                exactly one JSON document on stdout: one object per
//                         device (in a {"devices": [...]} object for several).
//
// Every text that came from a device is escaped (plain_field.h), so one value
// is always one field of one line.

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "cli/device_report.h"
#include "cli/device_target.h"
#include "ops/shell/csv_field.h"

namespace ostrand::cli {

struct OutputStyle {
    bool json = false;
    bool header = true;  // the header line of a list in plain output
    bool csv = false;    // a list as CSV (the command's CsvTable), its texts on stderr
};

// How a list is written as CSV: its header cells and which columns are the
// tool's own numbers (never guarded as formulas).
struct CsvTable {
    std::vector<std::string> header;
    std::vector<CsvColumn> kinds;
};

// What a subcommand is, for its output and its runner.
struct CommandShape {
    // Changes the device: the fleet form asks "getUpdateKernelStatus" first.
    bool changes = false;
    // The column headers of the list the command prints (empty: no list).
    std::vector<std::string> columns;
    // The list as CSV, for commands that offer --csv.
    CsvTable csv = {};
};
inline CommandShape ChangesDevice() { return {true, {}, {}}; }
inline CommandShape ReadsDevice() { return {false, {}, {}}; }
inline CommandShape ListsRows(std::vector<std::string> columns, bool changes = false) {
    return {changes, std::move(columns), {}};
}

// The one-line text of a report: its text, else its messages joined with
// "; ", else the transport's text of a failure.
std::string SummaryText(const DeviceReport& report);

class OutputPrinter {
public:
    OutputPrinter(const OutputStyle& style, const CommandShape& shape, std::ostream& out, std::ostream& err);

    void PrintSingle(const FleetTarget& target, const DeviceReport& report);
    // Thread-safe; called as each device ends. Plain output only (--json
    // prints everything at the end).
    void PrintFleetLine(const FleetTarget& target, const DeviceReport& report);
    void PrintFleetEnd(const std::vector<FleetTarget>& targets, const std::vector<DeviceReport>& reports);

    // One line of what a device's long run went through, as it happens
    // (IP:PORT <TAB> text; plain output only). Thread-safe.
    void PrintProgress(const FleetTarget& target, const std::string& text);

    // A list without a device (the LAN scan, the temperature probe): the header
    // line (unless --no-header) and one line per row, or one JSON array of
    // objects keyed by the column headers.
    void PrintTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);

    // A run that ended before any device was reached: with --json the one
    // document says so (the text itself goes to stderr from the caller).
    void PrintFailure(int status, const std::string& text);

    // The JSON object of one device's report.
    nlohmann::ordered_json DeviceJson(const FleetTarget& target, const DeviceReport& report) const;

private:
    void PrintRows(const std::string& prefix, const DeviceReport& report);
    void PrintCsvRows(const DeviceReport& report);

    OutputStyle style_;
    CommandShape shape_;
    std::ostream& out_;
    std::ostream& err_;
    std::mutex mutex_;
    bool headerPrinted_ = false;
};

// The text and JSON that PrintTable writes.
std::string TableText(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                      bool header);
std::string TableJson(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);

// Dumps JSON as UTF-8 whatever bytes a text holds (invalid ones become U+FFFD).
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace ostrand::cli
