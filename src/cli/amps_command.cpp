// ostrand-cli amps list|search|bind|unbind|set-class DEVICES: the network
// amplifier page of the speaker configuration without its window.
//
// The amplifier tab's firmware gate applies to a device whose version is
// known: --version when given, else the version column of its scan row.

#include <algorithm>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/peripherals/net_power.h"
#include "ops/peripherals/speaker_rules.h"

namespace ostrand::cli {
namespace {

// `amps list`: the amplifier rows ("amp": number, state, bind, ip) and the
// class rows ("class": id, name, amplifier, channel) in one table.
const std::vector<std::string> kPageColumns = {"kind", "number", "state", "bind", "ip",
                                               "id",   "name",   "amplifier", "channel"};
// `amps search`: the amplifiers the terminal found.
const std::vector<std::string> kAmplifierColumns = {"number", "state", "bind", "ip"};

struct AmpOptions {
    std::string version;  // empty: the scan row's version (no gate without one)
};

void AddVersionOption(CLI::App& command, AmpOptions& options) {
    command.add_option("--version", options.version,
                       "the terminals' version text, checked like the tab (default: each device's scan row; "
                       "no check without one)");
}

// "版本不支持!" when the tab's gate refuses the device's version.
std::optional<DeviceReport> GateRefusal(const AmpOptions& options, const FleetTarget& device) {
    const std::string& version = options.version.empty() ? device.version : options.version;
    if (version.empty() || AmplifierTabAllowed(version)) return std::nullopt;
    return DeviceReport::Failure(kBadValueExitStatus, "版本不支持!");
}

std::vector<std::string> AmplifierCells(const AmplifierRow& row) {
    return {OutputText(row.number), row.state, row.bind, OutputText(row.ip)};
}

// An operation's yes-or-no outcome with the text the dialog shows.
DeviceReport OutcomeReport(const NetPowerOutcome& outcome) {
    DeviceReport report;
    report.status = outcome.ok ? 0 : kFailedExitStatus;
    if (!outcome.message.empty()) report.Show(outcome.message);
    return report;
}

// The job of an amplifier command: the gate, then `work` on the terminal.
template <typename Work>
DeviceJob GatedJob(std::shared_ptr<AmpOptions> options, Work work) {
    return [options = std::move(options), work = std::move(work)](const FleetTarget& device) {
        if (auto refused = GateRefusal(*options, device)) return std::move(*refused);
        DeviceEndpoint terminal = EndpointOf(device);
        return work(terminal);
    };
}

}  // namespace

void AddAmpsCommand(CLI::App& app, CliAction& action) {
    CLI::App* amps =
        app.add_subcommand("amps", "network amplifiers of terminals and their classes' channels (5044)");
    amps->require_subcommand(1);

    auto list = std::make_shared<AmpOptions>();
    CLI::App* listCommand = amps->add_subcommand("list", "amplifiers (\"amp\" rows) and classes (\"class\" rows)");
    AddVersionOption(*listCommand, *list);
    DeviceCommand(*listCommand, action, ListsRows(kPageColumns), [list](const CliSettings&) {
        return GatedJob(list, [](DeviceEndpoint& terminal) {
            const NetPowerPage page = RefreshNetPower(terminal);
            DeviceReport report;
            if (!page.ok) {
                report.status = kFailedExitStatus;
                return report;
            }
            for (const AmplifierRow& row : page.amplifiers.rows) {
                std::vector<std::string> cells = {"amp"};
                for (std::string& cell : AmplifierCells(row)) cells.push_back(std::move(cell));
                cells.resize(kPageColumns.size());
                report.rows.push_back(std::move(cells));
            }
            for (const NetClassRow& row : page.classes) {
                report.rows.push_back({"class", "", "", "", "", OutputText(row.classId), OutputText(row.className),
                                       OutputText(row.amplifier), OutputText(row.channel)});
            }
            return report;
        });
    });

    auto search = std::make_shared<AmpOptions>();
    CLI::App* searchCommand = amps->add_subcommand("search", "let the terminals search for amplifiers");
    AddVersionOption(*searchCommand, *search);
    DeviceCommand(*searchCommand, action, ListsRows(kAmplifierColumns), [search](const CliSettings&) {
        return GatedJob(search, [](DeviceEndpoint& terminal) {
            AmplifierList found;
            DeviceReport report = OutcomeReport(SearchAmplifiers(terminal, found));
            for (const AmplifierRow& row : found.rows) report.rows.push_back(AmplifierCells(row));
            return report;
        });
    });

    struct BindOptions {
        std::shared_ptr<AmpOptions> amp = std::make_shared<AmpOptions>();
        std::vector<std::string> numbers;
    };
    auto bind = std::make_shared<BindOptions>();
    CLI::App* bindCommand = amps->add_subcommand("bind", "bind these amplifiers (all others become unbound)");
    AddVersionOption(*bindCommand, *bind->amp);
    bindCommand->add_option("NUMBER", bind->numbers, "amplifier numbers (none: unbind all)");
    DeviceCommand(*bindCommand, action, ChangesDevice(), [bind](const CliSettings&) {
        std::vector<std::string> numbers;
        for (const std::string& number : bind->numbers) numbers.push_back(GbkArgument(number, "amplifier number"));
        return GatedJob(bind->amp, [numbers](DeviceEndpoint& terminal) {
            return OutcomeReport(BindAmplifiers(terminal, numbers));
        });
    });

    struct UnbindOptions {
        std::shared_ptr<AmpOptions> amp = std::make_shared<AmpOptions>();
        std::string classId;
    };
    auto unbind = std::make_shared<UnbindOptions>();
    CLI::App* unbindCommand = amps->add_subcommand("unbind", "remove a class's amplifier channel");
    AddVersionOption(*unbindCommand, *unbind->amp);
    unbindCommand->add_option("--class", unbind->classId, "class id")->required();
    DeviceCommand(*unbindCommand, action, ChangesDevice(), [unbind](const CliSettings&) {
        const std::string classId = GbkArgument(unbind->classId, "class id");
        return GatedJob(unbind->amp, [classId](DeviceEndpoint& terminal) {
            return OutcomeReport(UnbindNetClass(terminal, classId));
        });
    });

    struct SetClassOptions {
        std::shared_ptr<AmpOptions> amp = std::make_shared<AmpOptions>();
        std::string classId, amplifier, channel;
    };
    auto setClass = std::make_shared<SetClassOptions>();
    CLI::App* setClassCommand =
        amps->add_subcommand("set-class", "put a class on an amplifier channel (e.g. --channel 1_2_16)");
    AddVersionOption(*setClassCommand, *setClass->amp);
    setClassCommand->add_option("--class", setClass->classId, "class id")->required();
    setClassCommand->add_option("--amp", setClass->amplifier, "amplifier number")->required();
    setClassCommand->add_option("--channel", setClass->channel, "channel(s) 1-16 joined by \"_\"")->required();
    DeviceCommand(*setClassCommand, action, ChangesDevice(), [setClass](const CliSettings&) {
        const std::string classId = GbkArgument(setClass->classId, "class id");
        const std::string amplifier = GbkArgument(setClass->amplifier, "amplifier number");
        const std::string channel = GbkArgument(setClass->channel, "channel");
        return GatedJob(setClass->amp, [classId, amplifier, channel](DeviceEndpoint& terminal) {
            // The class's current amplifier decides the kind of change.
            const NetPowerPage page = RefreshNetPower(terminal);
            if (!page.ok) {
                DeviceReport failed;
                failed.status = kFailedExitStatus;
                return failed;
            }
            const auto row = std::find_if(page.classes.begin(), page.classes.end(),
                                          [&](const NetClassRow& r) { return r.classId == classId; });
            if (row == page.classes.end()) {
                return DeviceReport::Failure(kBadValueExitStatus, "no class " + OutputText(classId));
            }
            ClassAmpBinding binding{row->classId, row->className, row->amplifier, row->channel, false};
            DeviceReport report;
            // "设置成功!", "设置成功，但原关系删除失败!" or "设置失败!", as the dialog shows it.
            report.Show(SetNetClassBinding(terminal, binding, amplifier, channel));
            report.status = binding.changed ? 0 : kFailedExitStatus;
            if (binding.changed) {
                report.AddDeviceValue("netpowerno", binding.amplifier);
                report.AddDeviceValue("channel", binding.channel);
            }
            return report;
        });
    });
}

}  // namespace ostrand::cli
