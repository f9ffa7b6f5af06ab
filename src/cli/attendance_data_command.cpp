// ostrand-cli attendance users   DEVICES [--mac MAC] [--data-dir DIR] [--csv | --export FILE]
// ostrand-cli attendance records DEVICES [--mac MAC] --from YYYY-MM-DD --to YYYY-MM-DD
//                                [--card NO ...] [--data-dir DIR] [--csv | --export FILE]
//
// The user list and the clock-in records of terminals, through the same
// download cache and device folders (one per MAC under --data-dir) as the
// attendance windows. The rows are a list of the one printer (a header line,
// then one line per item; --json one document). --csv prints one device's
// list as UTF-8 CSV with a header line; a text cell that would start a
// spreadsheet formula gets a leading quote. --export writes the items to .xls
// workbooks as the windows' export buttons do (FILE_<time>.xls, a file per
// 50000 rows; with several devices FILE_<MAC>_<time>.xls) and reports the
// files written as values file1, file2, ...

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/attendance_data/attend_export.h"
#include "ops/attendance_data/attend_query.h"
#include "ops/shell/csv_field.h"
#include "platform/code_page.h"

namespace ostrand::cli {
namespace {

enum class Listing { Users, Records };

struct AttendanceOptions {
    std::string mac;
    std::string dataDir;
    bool csv = false;
    std::string exportPath;
    std::string from;
    std::string to;
    std::vector<std::string> cards;
};

// The columns of each list: the printer's (plain header line, --json keys),
// the CSV header (the workbooks' headers) and which CSV columns are the
// tool's own numbers.
struct ListColumns {
    std::vector<std::string> columns;
    std::vector<std::string> csvHeader;
    std::vector<CsvColumn> csvKinds;
};

const ListColumns& ColumnsOf(Listing listing) {
    static const ListColumns users{{"number", "cardNo", "name"},
                                   {"序号", "卡号", "持卡人姓名"},
                                   {CsvColumn::Number, CsvColumn::Text, CsvColumn::Text}};
    static const ListColumns records{{"serial", "cardNo", "name", "status", "time"},
                                     {"序号", "卡号", "持卡人", "出勤状态", "时间"},
                                     {CsvColumn::Number, CsvColumn::Text, CsvColumn::Text, CsvColumn::Text,
                                      CsvColumn::Text}};
    return listing == Listing::Users ? users : records;
}

// Device text to UTF-8 for output. Card numbers and times are ASCII and pass
// as they are; names and states repeat, so each is converted once.
class OutputTexts {
public:
    const std::string& operator()(const std::string& gbk) {
        if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            return gbk;
        }
        auto it = converted_.find(gbk);
        if (it == converted_.end()) it = converted_.emplace(gbk, OutputText(gbk)).first;
        return it->second;
    }

private:
    std::map<std::string, std::string> converted_;
};

// Devices that share a data folder (the same MAC) take turns, so one never
// reads a file another is downloading into the folder.
class FolderTurns {
public:
    std::unique_lock<std::mutex> Take(const std::string& mac) {
        std::mutex* folder = nullptr;
        {
            std::lock_guard lock(mutex_);
            auto& slot = folders_[mac];
            if (!slot) slot = std::make_unique<std::mutex>();
            folder = slot.get();
        }
        return std::unique_lock(*folder);
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::unique_ptr<std::mutex>> folders_;
};

// What one device's run needs besides the device.
struct ListRequest {
    Listing listing = Listing::Users;
    const AttendanceOptions* options = nullptr;
    std::string mac;               // GBK; empty: each device's scanned MAC
    std::set<std::string> cards;   // GBK
    AttendanceDataPlaces places;
    bool exportPerMac = false;     // several devices: each export file names its MAC
    std::shared_ptr<FolderTurns> turns;
};

// The files an export wrote as values (and one JSON array).
void AddExportFiles(DeviceReport& report, const ExportResult& result) {
    if (!result.ok) {
        report.status = kFailedExitStatus;
        return;
    }
    auto files = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < result.files.size(); ++i) {
        report.values.emplace_back("file" + std::to_string(i + 1), result.files[i].string());
        files.push_back(result.files[i].string());
    }
    report.extra["files"] = std::move(files);
}

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::filesystem::path ExportPathFor(const ListRequest& request, const std::string& mac) {
    std::string path = request.options->exportPath;
    if (request.exportPerMac) path += "_" + mac;  // a device MAC: twelve hexadecimal digits
    return path;
}

DeviceReport RunList(const ListRequest& request, const FleetTarget& target) {
    // The device list shows a MAC upper-cased and its folder and cache entry carry
    // that form: "02aa7f260101" must not start a second folder beside "02AA7F260101".
    const std::string mac = UpperAscii(!request.mac.empty() ? request.mac : Utf8ToGbkLossy(target.mac));
    // A MAC that names no folder is refused by the operation (its message)
    // before anything is sent.
    const int failure = IsDeviceMacText(mac) ? kFailedExitStatus : kBadValueExitStatus;
    const auto turn = request.turns->Take(mac);
    const AttendanceDevice device{{target.ip, static_cast<std::uint16_t>(target.port)}, mac};
    DeviceReport report;
    const auto users = OpenAttendanceData(device, request.places);
    if (!users) {
        report.status = failure;
        return report;
    }
    OutputTexts text;
    if (request.listing == Listing::Users) {
        if (!request.options->exportPath.empty()) {
            AddExportFiles(report, ExportUserList(ExportPathFor(request, mac), *users));
            return report;
        }
        report.rows.reserve(users->size());
        for (const UserFileRecord& user : *users) {
            report.rows.push_back({std::to_string(user.number), text(user.cardNo), text(user.name)});
        }
        return report;
    }
    std::vector<UserEntry> chosen;
    for (const UserFileRecord& user : *users) {
        if (request.cards.empty() || request.cards.contains(user.cardNo)) {
            chosen.push_back({user.number, user.cardNo, user.name});
        }
    }
    const auto groups =
        QueryAttendRows(device, std::move(chosen), request.options->from, request.options->to, request.places);
    if (!groups) {
        report.status = kFailedExitStatus;
        return report;
    }
    // Nothing found is an answer ("对不起，没有找到符合条件的记录!" is shown), not a
    // failure, with or without --export; no empty workbook is written.
    if (groups->empty()) return report;
    if (!request.options->exportPath.empty()) {
        AddExportFiles(report, ExportAttendRows(ExportPathFor(request, mac), *groups));
        return report;
    }
    long long serial = 0;
    for (const auto& [card, group] : *groups) {
        for (const AttendRow& row : group) {
            report.rows.push_back(
                {std::to_string(++serial), text(row.cardNo), text(row.name), text(row.status), text(row.time)});
        }
    }
    return report;
}

// "YYYY-MM-DD" with a month 01-12 and a day 01-31: the filter compares texts,
// so only this form selects what it says.
std::string CheckDate(const std::string& text) {
    const bool shape = text.size() == 10 && text[4] == '-' && text[7] == '-' &&
                       std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
    if (!shape) return "date must be YYYY-MM-DD";
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (month < 1 || month > 12 || day < 1 || day > 31) return "date must be YYYY-MM-DD";
    return {};
}

void AddListCommand(CLI::App& command, CliAction& action, Listing listing, std::shared_ptr<AttendanceOptions> options) {
    auto deviceOptions = std::make_shared<DeviceOptions>();
    AddDeviceOptions(command, *deviceOptions);
    command.add_option("--mac", options->mac,
                       "the device's MAC, twelve hexadecimal digits (its data folder's name); default: the "
                       "\"MacAddress\" of each --targets-from row");
    command.add_option("--data-dir", options->dataDir,
                       "folder holding Timer.ini and the per-device folders (default: the setting \"DataFolder\", else the "
                       "program's folder, or ~/.local/share/ostrand/ for an installed copy)");
    command.add_flag("--csv", options->csv, "print one device's list as CSV (UTF-8) with a header line");
    command.add_option("--export", options->exportPath,
                       "write .xls workbooks FILE_<time>.xls (50000 rows each; FILE_<MAC>_<time>.xls with several "
                       "devices) and print their names");
    CLI::App* self = &command;
    command.callback([self, deviceOptions, options, listing, &action] {
        auto devices = std::make_shared<DeviceSelection>(SelectDevices(*self, *deviceOptions));
        action = [devices, options, listing](const CliSettings& settings) {
            if (settings.json && options->csv) throw UsageError("--json and --csv exclude each other");
            if (options->csv && !options->exportPath.empty()) throw UsageError("--csv and --export exclude each other");
            const bool several = devices->fleet || devices->targets.size() != 1;
            if (options->csv && several) throw UsageError("--csv prints the list of one device (--ip and --port)");
            if (several && !options->mac.empty() && devices->targets.size() > 1) {
                throw UsageError("--mac names one device's folder; with several devices each uses its scanned MAC");
            }
            ListRequest request;
            request.listing = listing;
            request.options = options.get();
            request.mac = options->mac.empty() ? std::string() : GbkArgument(options->mac, "MAC");
            for (const std::string& card : options->cards) request.cards.insert(GbkArgument(card, "card number"));
            request.places = options->dataDir.empty() ? AttendanceDataPlaces::Default()
                                                      : AttendanceDataPlaces{std::filesystem::path(options->dataDir)};
            request.exportPerMac = several;
            request.turns = std::make_shared<FolderTurns>();
            if (options->csv) {
                // The one device's list as CSV on stdout, the texts shown on stderr.
                const ListColumns& columns = ColumnsOf(request.listing);
                CliSettings csv = settings;
                csv.csv = true;
                CommandShape shape = ListsRows(columns.columns);
                shape.csv = {columns.csvHeader, columns.csvKinds};
                return RunDevices(csv, *devices, shape,
                                  [request](const FleetTarget& target) { return RunList(request, target); });
            }
            // An export prints the files it wrote, not a list.
            const CommandShape shape =
                options->exportPath.empty() ? ListsRows(ColumnsOf(listing).columns) : ReadsDevice();
            return RunDevices(settings, *devices, shape,
                              [request](const FleetTarget& target) { return RunList(request, target); });
        };
    });
}

}  // namespace

void AddAttendanceDataCommand(CLI::App& app, CliAction& action) {
    CLI::App* command = app.add_subcommand("attendance", "user list and clock-in records of attendance terminals");
    command->require_subcommand(1);

    auto users = std::make_shared<AttendanceOptions>();
    CLI::App* usersCommand = command->add_subcommand("users", "the terminals' card holders");
    AddListCommand(*usersCommand, action, Listing::Users, users);

    auto records = std::make_shared<AttendanceOptions>();
    CLI::App* recordsCommand = command->add_subcommand(
        "records", "clock-in records in a date range, by card number, latest first (nothing found: exit 0)");
    recordsCommand->add_option("--from", records->from, "first date, YYYY-MM-DD")->required()->check(CheckDate);
    recordsCommand->add_option("--to", records->to, "last date, YYYY-MM-DD")->required()->check(CheckDate);
    recordsCommand->add_option("--card", records->cards, "only these card numbers (default: every user)");
    AddListCommand(*recordsCommand, action, Listing::Records, records);
}

}  // namespace ostrand::cli
