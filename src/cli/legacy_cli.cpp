// TEMPORARY: see legacy_cli.h.
#include "cli/legacy_cli.h"

#include <iostream>

#include "cli/cli_common.h"
#include "cli/device_run.h"
#include "cli/plain_field.h"

namespace ostrand::cli {

void AddTargetOptions(CLI::App& command, TargetOptions& target) {
    command.add_option("--ip", target.ip, "device address (dotted IPv4)")->required()->check(CLI::ValidIPV4);
    command.add_option("--port", target.port, "device command port (60005: TCP channel)")
        ->required()
        ->check(CLI::Range(1, 65535));
}

std::optional<ParamMap> ParseAssignments(const std::vector<std::string>& arguments) {
    try {
        return Assignments(arguments);
    } catch (const UsageError& e) {
        std::cerr << "ostrand-cli: " << e.what() << "\n";
        return std::nullopt;
    }
}

std::optional<std::string> DeviceText(const std::string& utf8, const char* what) {
    try {
        return GbkArgument(utf8, what);
    } catch (const UsageError& e) {
        std::cerr << "ostrand-cli: " << e.what() << "\n";
        return std::nullopt;
    }
}

int PrintOutcome(const CliSettings& settings, std::int32_t result, const std::string& text, const ParamMap& reply) {
    if (settings.json) {
        nlohmann::ordered_json entries = nlohmann::ordered_json::object();
        for (const auto& [key, value] : reply) entries[OutputText(key)] = OutputText(value);
        nlohmann::ordered_json document;
        document["result"] = result;
        document["text"] = text;
        document["reply"] = std::move(entries);
        std::cout << document.dump() << "\n";
    } else {
        for (const auto& [key, value] : reply) {
            std::cout << PlainField(OutputText(key), "=") << "=" << PlainField(OutputText(value)) << "\n";
        }
    }
    std::cout.flush();
    if (result != 0 && !settings.json) std::cerr << "ostrand-cli: " << text << "\n";
    return result;
}

void AddFleetOptions(CLI::App& command, FleetOptions& options) {
    command.add_option("--target", options.targets, "a device IP:PORT (repeatable)");
    command.add_option("--targets-from", options.targetsFrom, "the devices of `ostrand-cli scan --json` output");
    command.add_option("--jobs", options.jobs, "devices worked on at once")->check(CLI::Range(1, 1024));
}

std::vector<FleetTarget> ResolveFleetTargets(const FleetOptions& options) {
    std::vector<FleetTarget> targets;
    for (const std::string& text : options.targets) {
        FleetTarget target = ParseFleetTarget(text);
        if (!target.problem.empty()) throw std::invalid_argument(target.problem);
        targets.push_back(std::move(target));
    }
    if (!options.targetsFrom.empty()) {
        for (auto& target : TargetsFromScanJson(ReadTargetsFile(options.targetsFrom))) {
            if (target.problem.empty()) targets.push_back(std::move(target));
        }
    }
    return WithoutRepeats(std::move(targets));
}

int RunOnFleet(const std::vector<FleetTarget>& targets, int jobs, const CliSettings& settings, const FleetWork& work) {
    DeviceSelection selection{targets, true, jobs};
    return RunDevices(settings, selection, {}, [&work](const FleetTarget& target) {
        const FleetOutcome outcome = work(target);
        DeviceReport report;
        report.status = outcome.succeeded ? 0 : (outcome.result != 0 ? outcome.result : kFailedExitStatus);
        report.text = outcome.text;
        for (const auto& [key, value] : outcome.detail.items()) report.extra[key] = value;
        return report;
    });
}

}  // namespace ostrand::cli
