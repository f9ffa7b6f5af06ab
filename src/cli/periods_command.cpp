// ostrand-cli periods get DEVICES
// ostrand-cli periods set DEVICES INDEX=TYPE,BEGIN,END ...
// The terminal's 16 attendance periods. A set reads the table, applies each
// change in order under the dialog's rules and sends the whole table; the
// first refused change ends it with nothing sent, and so does a read that
// does not give the table (the other periods would be overwritten).

#include "cli/attendance_cli.h"
#include "cli/device_run.h"
#include "ops/attendance/attend_periods.h"
#include "ops/attendance/list_fields.h"

namespace ostrand::cli {

namespace {

Fields PeriodValues(const PeriodTable& table) {
    Fields values;
    for (std::size_t i = 0; i < table.size(); ++i) {
        values.emplace_back(std::to_string(i), std::to_string(table[i].type) + "," + OutputText(table[i].begin) +
                                                   "," + OutputText(table[i].end));
    }
    return values;
}

struct Change {
    int index = 0;
    int type = 0;
    PeriodTime begin;
    PeriodTime end;
};

// "INDEX=TYPE,BEGIN,END" with INDEX of up to two digits, TYPE 0-2 and HH:MM
// times; a usage error otherwise. The index's range is the dialog's check.
Change ParseChange(const std::string& argument) {
    const auto equals = argument.find('=');
    const std::string index = argument.substr(0, equals);
    const auto fields = SplitFields(equals == std::string::npos ? std::string() : argument.substr(equals + 1), ',');
    const auto begin = fields.size() == 3 ? ParsePeriodTime(fields[1]) : std::nullopt;
    const auto end = fields.size() == 3 ? ParsePeriodTime(fields[2]) : std::nullopt;
    if (equals == std::string::npos || index.empty() || index.size() > 2 ||
        index.find_first_not_of("0123456789") != std::string::npos || fields.size() != 3 || fields[0].size() != 1 ||
        fields[0][0] < '0' || fields[0][0] > '2' || !begin || !end) {
        throw UsageError("\"" + argument + "\" is not INDEX=TYPE,HH:MM,HH:MM (TYPE 0 invalid, 1 sign-in, 2 sign-out)");
    }
    return Change{AtoiValue(index), fields[0][0] - '0', *begin, *end};
}

// The read as the report of a failure when it did not give the table.
std::optional<DeviceReport> UnusableRead(const PeriodsRead& read, const char* consequence) {
    if (!read.outcome.Succeeded()) {
        DeviceReport report = ReportOf(read.outcome);
        if (consequence != nullptr) report.Show(consequence);
        return report;
    }
    if (read.unusable.empty()) return std::nullopt;
    DeviceReport report = ReportOf(read.outcome);
    report.status = kFailedExitStatus;
    report.Show(read.unusable);
    if (consequence != nullptr) report.Show(consequence);
    return report;
}

}  // namespace

void AddPeriodsCommand(CLI::App& app, CliAction& action) {
    auto changes = std::make_shared<std::vector<std::string>>();
    CLI::App* periods = app.add_subcommand("periods", "an attendance terminal's 16 attendance periods");
    periods->require_subcommand(1);

    CLI::App* get = periods->add_subcommand("get", "print the periods as INDEX=TYPE,BEGIN,END");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            const PeriodsRead read = ReadPeriods(EndpointOf(device));
            if (auto failed = UnusableRead(read, nullptr)) return std::move(*failed);
            return ReportOf(read.outcome, PeriodValues(read.table));
        };
    });

    CLI::App* set = periods->add_subcommand(
        "set", "change periods (TYPE 0 invalid, 1 sign-in, 2 sign-out; times HH:MM) and send the table; the other "
               "periods keep the terminal's values");
    set->add_option("CHANGE", *changes, "INDEX=TYPE,BEGIN,END changes, applied in order")->required();
    DeviceCommand(*set, action, ChangesDevice(), [changes](const CliSettings&) -> DeviceJob {
        std::vector<Change> parsed;
        for (const std::string& argument : *changes) parsed.push_back(ParseChange(argument));
        return [parsed](const FleetTarget& device) {
            const DeviceEndpoint endpoint = EndpointOf(device);
            PeriodsRead read = ReadPeriods(endpoint);
            if (auto failed = UnusableRead(read, "未发送：没有终端的时间段表，发送会覆盖其余时间段")) {
                return std::move(*failed);
            }
            std::vector<std::string> applied;
            for (const Change& change : parsed) {
                const PeriodChange result = ModifyPeriod(read.table, change.index, change.type, change.begin, change.end);
                if (!result.applied) return ReportOf(TerminalOutcome::Refusal(result.message));
                applied.push_back(result.message);
            }
            TerminalOutcome sent = WritePeriods(endpoint, read.table);
            sent.messages.insert(sent.messages.begin(), applied.begin(), applied.end());
            return ReportOf(sent, PeriodValues(read.table));
        };
    });
}

}  // namespace ostrand::cli
