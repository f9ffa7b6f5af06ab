// ostrand-cli attendance users   --ip IP --port PORT --mac MAC [--data-dir DIR] [--csv | --export FILE]
// ostrand-cli attendance records --ip IP --port PORT --mac MAC --from YYYY-MM-DD
//                                --to YYYY-MM-DD [--card NO ...] [--data-dir DIR] [--csv | --export FILE]
//
// The user list and the clock-in records of a terminal, through the same
// download cache and device folders as the attendance windows. Output: one
// tab-separated line per item (control characters escaped), the global
// --json, or --csv (UTF-8 with a header line; a cell that would start a
// spreadsheet formula gets a leading quote). --export writes the items to
// .xls workbooks as the windows' export buttons do (FILE_<time>.xls, a file
// per 50000 rows) and prints the names of the files written.

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>

#include "cli/commands.h"
#include "ops/attendance_data/attend_export.h"
#include "ops/attendance_data/attend_query.h"
#include "ops/shell/csv_field.h"

namespace ostrand::cli {
namespace {

struct AttendanceOptions {
    TargetOptions target;
    std::string mac;
    std::string dataDir;
    bool csv = false;
    std::string exportPath;
    std::string from;
    std::string to;
    std::vector<std::string> cards;
};

enum class Format { Plain, Json, Csv };

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

// Tab-separated lines stay one line per item whatever the device sent.
std::string Escaped(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (b < 0x20 || b == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else out += c;
    }
    return out;
}

// Writes one item per call as it comes, so a million records are never held
// a second time as output.
class TablePrinter {
public:
    TablePrinter(Format format, std::vector<std::string> header, const char* jsonKey,
                 std::vector<std::string> jsonNames)
        : format_(format), jsonNames_(std::move(jsonNames)) {
        if (format_ == Format::Json) out_ << "{\"result\":0,\"" << jsonKey << "\":[";
        else if (format_ == Format::Csv) Line(header);
    }
    ~TablePrinter() {
        if (format_ == Format::Json) out_ << "]}\n";
        out_.flush();
    }
    TablePrinter(const TablePrinter&) = delete;
    TablePrinter& operator=(const TablePrinter&) = delete;

    // The first cell is the item's number.
    void Row(long long number, const std::vector<std::string>& cells) {
        if (format_ != Format::Json) {
            std::vector<std::string> line{std::to_string(number)};
            line.insert(line.end(), cells.begin(), cells.end());
            Line(line);
            return;
        }
        nlohmann::ordered_json item;
        item[jsonNames_[0]] = number;
        for (std::size_t i = 0; i < cells.size(); ++i) item[jsonNames_[i + 1]] = cells[i];
        out_ << (first_ ? "" : ",") << item.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        first_ = false;
    }

private:
    void Line(const std::vector<std::string>& cells) {
        const bool csv = format_ == Format::Csv;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i != 0) out_ << (csv ? "," : "\t");
            out_ << (csv ? CsvField(cells[i]) : Escaped(cells[i]));
        }
        out_ << (csv ? "\r\n" : "\n");
    }

    Format format_;
    std::vector<std::string> jsonNames_;
    std::ostream& out_ = std::cout;
    bool first_ = true;
};

// Shared start of both subcommands; nullopt after a message.
std::optional<Format> FormatFor(const CliSettings& settings, const AttendanceOptions& options) {
    if (settings.json && options.csv) {
        std::cerr << "ostrand-cli: --json and --csv exclude each other\n";
        return std::nullopt;
    }
    if (options.csv && !options.exportPath.empty()) {
        std::cerr << "ostrand-cli: --csv and --export exclude each other\n";
        return std::nullopt;
    }
    return settings.json ? Format::Json : options.csv ? Format::Csv : Format::Plain;
}

AttendanceDataPlaces PlacesFor(const AttendanceOptions& options) {
    if (options.dataDir.empty()) return AttendanceDataPlaces::Default();
    return AttendanceDataPlaces{std::filesystem::path(options.dataDir)};
}

std::optional<AttendanceDevice> DeviceFor(const AttendanceOptions& options) {
    auto mac = DeviceText(options.mac, "MAC");
    if (!mac) return std::nullopt;
    return AttendanceDevice{{options.target.ip, static_cast<std::uint16_t>(options.target.port)}, *mac};
}

// The parts an export wrote; its message has gone to stderr already.
int PrintExport(const CliSettings& settings, const ExportResult& result) {
    if (!result.ok) return kFailedExitStatus;
    if (settings.json) {
        nlohmann::json files = nlohmann::json::array();
        for (const auto& file : result.files) files.push_back(file.string());
        std::cout << nlohmann::json{{"result", 0}, {"files", files}}.dump(-1, ' ', false,
                                                                        nlohmann::json::error_handler_t::replace)
                  << "\n";
    } else {
        for (const auto& file : result.files) std::cout << file.string() << "\n";
    }
    return 0;
}

int RunUsers(const CliSettings& settings, const AttendanceOptions& options) {
    const auto format = FormatFor(settings, options);
    const auto device = DeviceFor(options);
    if (!format || !device) return kFailedExitStatus;
    const auto users = OpenAttendanceData(*device, PlacesFor(options));
    if (!users) return kFailedExitStatus;
    if (!options.exportPath.empty()) return PrintExport(settings, ExportUserList(options.exportPath, *users));
    TablePrinter printer(*format, {"序号", "卡号", "持卡人姓名"}, "users", {"number", "cardNo", "name"});
    OutputTexts text;
    for (const UserFileRecord& user : *users) printer.Row(user.number, {text(user.cardNo), text(user.name)});
    return 0;
}

int RunRecords(const CliSettings& settings, const AttendanceOptions& options) {
    const auto format = FormatFor(settings, options);
    const auto device = DeviceFor(options);
    if (!format || !device) return kFailedExitStatus;
    std::set<std::string> cards;
    for (const std::string& card : options.cards) {
        auto gbk = DeviceText(card, "card number");
        if (!gbk) return kFailedExitStatus;
        cards.insert(std::move(*gbk));
    }
    const AttendanceDataPlaces places = PlacesFor(options);
    const auto users = OpenAttendanceData(*device, places);
    if (!users) return kFailedExitStatus;
    std::vector<UserEntry> chosen;
    for (const UserFileRecord& user : *users) {
        if (cards.empty() || cards.contains(user.cardNo)) chosen.push_back({user.number, user.cardNo, user.name});
    }
    const auto groups = QueryAttendRows(*device, std::move(chosen), options.from, options.to, places);
    if (!groups) return kFailedExitStatus;
    if (!options.exportPath.empty()) {
        if (groups->empty()) return kFailedExitStatus;  // "nothing found" has been shown
        return PrintExport(settings, ExportAttendRows(options.exportPath, *groups));
    }

    TablePrinter printer(*format, {"序号", "卡号", "持卡人", "出勤状态", "时间"}, "records",
                         {"serial", "cardNo", "name", "status", "time"});
    long long serial = 0;
    OutputTexts text;
    for (const auto& [card, group] : *groups) {
        for (const AttendRow& row : group) {
            printer.Row(++serial, {text(row.cardNo), text(row.name), text(row.status), text(row.time)});
        }
    }
    return 0;
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

void AddCommonOptions(CLI::App& command, AttendanceOptions& options) {
    AddTargetOptions(command, options.target);
    command.add_option("--mac", options.mac, "the device's MAC, twelve hexadecimal digits (the data folder's name)")
        ->required();
    command.add_option("--data-dir", options.dataDir,
                       "folder holding Timer.ini and the per-device folders (default: the program's folder)");
    command.add_flag("--csv", options.csv, "print CSV (UTF-8) with a header line");
    command.add_option("--export", options.exportPath,
                       "write .xls workbooks FILE_<time>.xls (50000 rows each) instead of printing");
}

}  // namespace

void AddAttendanceDataCommand(CLI::App& app, CliAction& action) {
    CLI::App* command = app.add_subcommand("attendance", "user list and clock-in records of an attendance terminal");
    command->require_subcommand(1);

    auto users = std::make_shared<AttendanceOptions>();
    CLI::App* usersCommand = command->add_subcommand("users", "the terminal's card holders");
    AddCommonOptions(*usersCommand, *users);
    usersCommand->callback([users, &action] {
        action = [users](const CliSettings& settings) { return RunUsers(settings, *users); };
    });

    auto records = std::make_shared<AttendanceOptions>();
    CLI::App* recordsCommand =
        command->add_subcommand("records", "clock-in records in a date range, by card number, latest first");
    AddCommonOptions(*recordsCommand, *records);
    recordsCommand->add_option("--from", records->from, "first date, YYYY-MM-DD")->required()->check(CheckDate);
    recordsCommand->add_option("--to", records->to, "last date, YYYY-MM-DD")->required()->check(CheckDate);
    recordsCommand->add_option("--card", records->cards, "only these card numbers (default: every user)");
    recordsCommand->callback([records, &action] {
        action = [records](const CliSettings& settings) { return RunRecords(settings, *records); };
    });
}

}  // namespace ostrand::cli
