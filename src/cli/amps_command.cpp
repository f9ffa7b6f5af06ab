// ostrand-cli amps list|search|bind|unbind|set-class: the network amplifier
// page of the speaker configuration without its window.

#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>

#include "ops/peripherals/net_power.h"
#include "ops/peripherals/speaker_rules.h"

namespace ostrand::cli {
namespace {

struct AmpTarget {
    TargetOptions target;
    std::string version;  // when given, the amplifier tab's firmware gate applies
};

void AddAmpTarget(CLI::App& command, AmpTarget& target) {
    AddTargetOptions(command, target.target);
    command.add_option("--version", target.version, "the terminal's version text (checked like the tab when given)");
}

// nullopt after "版本不支持!" when the gate refuses.
std::optional<DeviceEndpoint> Endpoint(const AmpTarget& target, const CliSettings& settings, int& status) {
    if (!target.version.empty() && !AmplifierTabAllowed(target.version)) {
        status = PrintOutcome(settings, kFailedExitStatus, "版本不支持!", {});
        return std::nullopt;
    }
    return DeviceEndpoint{target.target.ip, static_cast<std::uint16_t>(target.target.port)};
}

nlohmann::ordered_json AmplifiersJson(const AmplifierList& list) {
    auto rows = nlohmann::ordered_json::array();
    for (const auto& row : list.rows)
        rows.push_back({{"number", OutputText(row.number)},
                        {"state", row.state},
                        {"bind", row.bind},
                        {"ip", OutputText(row.ip)},
                        {"ticked", row.ticked}});
    return rows;
}

void PrintAmplifiers(const AmplifierList& list) {
    for (std::size_t i = 0; i < list.rows.size(); ++i) {
        const auto& row = list.rows[i];
        std::cout << "amp\t" << i + 1 << "\t" << OutputText(row.number) << "\t" << row.state << "\t" << row.bind
                  << "\t" << OutputText(row.ip) << "\n";
    }
}

}  // namespace

void AddAmpsCommand(CLI::App& app, CliAction& action) {
    CLI::App* amps = app.add_subcommand("amps", "network amplifiers of a terminal and its classes' channels (5044)");
    amps->require_subcommand(1);

    auto list = std::make_shared<AmpTarget>();
    CLI::App* listCommand = amps->add_subcommand("list", "amplifiers (\"amp\" rows) and classes (\"class\" rows)");
    AddAmpTarget(*listCommand, *list);
    listCommand->callback([list, &action] {
        action = [list](const CliSettings& settings) {
            int status = 0;
            auto terminal = Endpoint(*list, settings, status);
            if (!terminal) return status;
            const auto page = RefreshNetPower(*terminal);
            if (settings.json) {
                auto classes = nlohmann::ordered_json::array();
                for (const auto& row : page.classes)
                    classes.push_back({{"id", OutputText(row.classId)},
                                       {"name", OutputText(row.className)},
                                       {"amplifier", OutputText(row.amplifier)},
                                       {"channel", OutputText(row.channel)}});
                auto bound = nlohmann::ordered_json::array();
                for (const auto& number : page.amplifiers.boundAmplifiers) bound.push_back(OutputText(number));
                nlohmann::ordered_json document{{"amplifiers", AmplifiersJson(page.amplifiers)},
                                                {"boundAmplifiers", bound},
                                                {"classes", classes}};
                std::cout << document.dump(2) << "\n";
            } else {
                PrintAmplifiers(page.amplifiers);
                for (std::size_t i = 0; i < page.classes.size(); ++i) {
                    const auto& row = page.classes[i];
                    std::cout << "class\t" << i + 1 << "\t" << OutputText(row.classId) << "\t"
                              << OutputText(row.className) << "\t" << OutputText(row.amplifier) << "\t"
                              << OutputText(row.channel) << "\n";
                }
            }
            std::cout.flush();
            return page.ok ? 0 : kFailedExitStatus;
        };
    });

    auto search = std::make_shared<AmpTarget>();
    CLI::App* searchCommand = amps->add_subcommand("search", "let the terminal search for amplifiers");
    AddAmpTarget(*searchCommand, *search);
    searchCommand->callback([search, &action] {
        action = [search](const CliSettings& settings) {
            int status = 0;
            auto terminal = Endpoint(*search, settings, status);
            if (!terminal) return status;
            AmplifierList found;
            const auto outcome = SearchAmplifiers(*terminal, found);
            if (!outcome.ok) return PrintOutcome(settings, kFailedExitStatus, outcome.message, {});
            if (settings.json) std::cout << AmplifiersJson(found).dump(2) << "\n";
            else PrintAmplifiers(found);
            std::cout.flush();
            return 0;
        };
    });

    struct BindOptions {
        AmpTarget target;
        std::vector<std::string> numbers;
    };
    auto bind = std::make_shared<BindOptions>();
    CLI::App* bindCommand = amps->add_subcommand("bind", "bind these amplifiers (all others become unbound)");
    AddAmpTarget(*bindCommand, bind->target);
    bindCommand->add_option("NUMBER", bind->numbers, "amplifier numbers (none: unbind all)");
    bindCommand->callback([bind, &action] {
        action = [bind](const CliSettings& settings) {
            int status = 0;
            auto terminal = Endpoint(bind->target, settings, status);
            if (!terminal) return status;
            std::vector<std::string> numbers;
            for (const auto& number : bind->numbers) {
                auto gbk = DeviceText(number, "amplifier number");
                if (!gbk) return kTransportBadParameter;
                numbers.push_back(*gbk);
            }
            const auto outcome = BindAmplifiers(*terminal, numbers);
            return PrintOutcome(settings, outcome.ok ? 0 : kFailedExitStatus, outcome.message, {});
        };
    });

    struct UnbindOptions {
        AmpTarget target;
        std::string classId;
    };
    auto unbind = std::make_shared<UnbindOptions>();
    CLI::App* unbindCommand = amps->add_subcommand("unbind", "remove a class's amplifier channel");
    AddAmpTarget(*unbindCommand, unbind->target);
    unbindCommand->add_option("--class", unbind->classId, "class id")->required();
    unbindCommand->callback([unbind, &action] {
        action = [unbind](const CliSettings& settings) {
            int status = 0;
            auto terminal = Endpoint(unbind->target, settings, status);
            if (!terminal) return status;
            const auto outcome = UnbindNetClass(*terminal, unbind->classId);
            return PrintOutcome(settings, outcome.ok ? 0 : kFailedExitStatus, outcome.message, {});
        };
    });

    struct SetClassOptions {
        AmpTarget target;
        std::string classId, amplifier, channel;
    };
    auto setClass = std::make_shared<SetClassOptions>();
    CLI::App* setClassCommand =
        amps->add_subcommand("set-class", "put a class on an amplifier channel (e.g. --channel 1_2_16)");
    AddAmpTarget(*setClassCommand, setClass->target);
    setClassCommand->add_option("--class", setClass->classId, "class id")->required();
    setClassCommand->add_option("--amp", setClass->amplifier, "amplifier number")->required();
    setClassCommand->add_option("--channel", setClass->channel, "channel(s) 1-16 joined by \"_\"")->required();
    setClassCommand->callback([setClass, &action] {
        action = [setClass](const CliSettings& settings) {
            int status = 0;
            auto terminal = Endpoint(setClass->target, settings, status);
            if (!terminal) return status;
            // The class's current amplifier decides the kind of change.
            const auto page = RefreshNetPower(*terminal);
            const auto row = std::find_if(page.classes.begin(), page.classes.end(),
                                          [&](const NetClassRow& r) { return r.classId == setClass->classId; });
            if (row == page.classes.end())
                return PrintOutcome(settings, kFailedExitStatus, "no such class", {});
            ClassAmpBinding binding{row->classId, row->className, row->amplifier, row->channel, false};
            const auto message = SetNetClassBinding(*terminal, binding, setClass->amplifier, setClass->channel);
            return PrintOutcome(settings, binding.changed ? 0 : kFailedExitStatus, message,
                                binding.changed ? ParamMap{{"netpowerno", binding.amplifier}, {"channel", binding.channel}}
                                                : ParamMap{});
        };
    });
}

}  // namespace ostrand::cli
