#pragma once
// TEMPORARY: the helpers of the subcommands not yet moved to device_run.h and
// output_printer.h. Removed once every subcommand uses the one runner.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/device_target.h"
#include "transport/param_map.h"

namespace CLI { class App; }

namespace ostrand::cli {

struct CliSettings;

struct TargetOptions {
    std::string ip;
    int port = 0;
};
void AddTargetOptions(CLI::App& command, TargetOptions& target);
std::optional<ParamMap> ParseAssignments(const std::vector<std::string>& arguments);
std::optional<std::string> DeviceText(const std::string& utf8, const char* what);
int PrintOutcome(const CliSettings& settings, std::int32_t result, const std::string& text, const ParamMap& reply);

struct FleetOptions {
    std::vector<std::string> targets;
    std::string targetsFrom;
    int jobs = 32;
};
void AddFleetOptions(CLI::App& command, FleetOptions& options);
std::vector<FleetTarget> ResolveFleetTargets(const FleetOptions& options);
struct FleetOutcome {
    bool succeeded = false;
    int result = 0;
    std::string text;
    nlohmann::ordered_json detail = nlohmann::ordered_json::object();
};
using FleetWork = std::function<FleetOutcome(const FleetTarget& target)>;
int RunOnFleet(const std::vector<FleetTarget>& targets, int jobs, const CliSettings& settings, const FleetWork& work);

}  // namespace ostrand::cli
