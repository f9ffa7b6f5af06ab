// ostrand-cli periods get --ip IP --port PORT
// ostrand-cli periods set --ip IP --port PORT INDEX=TYPE,BEGIN,END ...
// The terminal's 16 attendance periods. A set reads the table, applies each
// change in order under the dialog's rules and sends the whole table; the
// first refused change ends it with nothing sent.

#include "cli/attendance_cli.h"
#include "ops/attendance/attend_periods.h"
#include "ops/attendance/list_fields.h"

namespace ostrand::cli {

namespace {

CliValues PeriodValues(const PeriodTable& table) {
    CliValues values;
    for (std::size_t i = 0; i < table.size(); ++i) {
        values.emplace_back(std::to_string(i), std::to_string(table[i].type) + "," +
                                                   OutputText(table[i].begin) + "," +
                                                   OutputText(table[i].end));
    }
    return values;
}

struct Change {
    int index = 0;
    int type = 0;
    PeriodTime begin;
    PeriodTime end;
};

// "INDEX=TYPE,BEGIN,END" with INDEX 0-15, TYPE 0-2 and HH:MM times.
std::optional<Change> ParseChange(const std::string& argument) {
    const auto equals = argument.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string index = argument.substr(0, equals);
    const auto fields = SplitFields(argument.substr(equals + 1), ',');
    if (index.empty() || index.size() > 2 || index.find_first_not_of("0123456789") != std::string::npos ||
        fields.size() != 3 || fields[0].size() != 1 || fields[0][0] < '0' || fields[0][0] > '2') {
        return std::nullopt;
    }
    const auto begin = ParsePeriodTime(fields[1]);
    const auto end = ParsePeriodTime(fields[2]);
    if (!begin || !end) return std::nullopt;
    return Change{AtoiValue(index), fields[0][0] - '0', *begin, *end};
}

}  // namespace

void AddPeriodsCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::vector<std::string> changes;
    };
    auto options = std::make_shared<Options>();
    CLI::App* periods = app.add_subcommand("periods", "an attendance terminal's 16 attendance periods");
    periods->require_subcommand(1);

    CLI::App* get = periods->add_subcommand("get", "print the periods as INDEX=TYPE,BEGIN,END");
    AddTargetOptions(*get, options->target);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const PeriodsRead read = ReadPeriods(EndpointOf(options->target));
            return PrintTerminalOutcome(settings, read.outcome, PeriodValues(read.table));
        };
    });

    CLI::App* set = periods->add_subcommand(
        "set", "change periods (TYPE 0 invalid, 1 sign-in, 2 sign-out; times HH:MM) and send the table");
    AddTargetOptions(*set, options->target);
    set->add_option("CHANGE", options->changes, "INDEX=TYPE,BEGIN,END changes, applied in order")->required();
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            std::vector<Change> changes;
            for (const std::string& argument : options->changes) {
                const auto change = ParseChange(argument);
                if (!change) {
                    return PrintRefusal(settings, "\"" + argument + "\" is not INDEX=TYPE,HH:MM,HH:MM");
                }
                changes.push_back(*change);
            }
            const DeviceEndpoint endpoint = EndpointOf(options->target);
            PeriodsRead read = ReadPeriods(endpoint);
            // Sending after a failed read would replace the terminal's table
            // with an empty one.
            if (!read.outcome.Succeeded()) return PrintTerminalOutcome(settings, read.outcome);
            TerminalOutcome applied;
            for (const Change& change : changes) {
                const PeriodChange result =
                    ModifyPeriod(read.table, change.index, change.type, change.begin, change.end);
                if (!result.applied) return PrintRefusal(settings, result.message);
                applied.Add(result.message);
            }
            TerminalOutcome sent = WritePeriods(endpoint, read.table);
            sent.messages.insert(sent.messages.begin(), applied.messages.begin(), applied.messages.end());
            return PrintTerminalOutcome(settings, sent, PeriodValues(read.table));
        };
    });
}

}  // namespace ostrand::cli
