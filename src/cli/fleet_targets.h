#pragma once
// Running one device command on many devices at once: the targets come from
// repeated --target IP:PORT options or from the JSON array that
// `ostrand-cli scan --json` prints, and a bounded pool of threads works
// through them. One line per device as it ends, then a summary.

#include <CLI/CLI.hpp>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace ostrand::cli {

struct FleetTarget {
    std::string ip;
    int port = 0;
    friend bool operator==(const FleetTarget&, const FleetTarget&) = default;
};

struct FleetOptions {
    std::vector<std::string> targets;  // IP:PORT texts
    std::string targetsFrom;           // file with the scan's JSON array
    int jobs = 32;
};

// --target (repeatable), --targets-from and --jobs on a subcommand.
void AddFleetOptions(CLI::App& command, FleetOptions& options);

// "IP:PORT" with a dotted IPv4 address and a port 1..65535.
std::optional<FleetTarget> ParseFleetTarget(const std::string& text);

// The rows of a scan's JSON array ("IPAddress", "Http Port"); rows without a
// usable address or port are skipped. Throws std::invalid_argument naming the
// fault when the text is not such an array.
std::vector<FleetTarget> TargetsFromScanJson(const std::string& text);

// Every target the options name, in order, each once. Throws
// std::invalid_argument with a text for the user when one is malformed or the
// file cannot be read.
std::vector<FleetTarget> ResolveFleetTargets(const FleetOptions& options);

// What one device's run ended with.
struct FleetOutcome {
    bool succeeded = false;
    int result = 0;     // the operation's status (0 on success)
    std::string text;   // UTF-8, one line
    nlohmann::ordered_json detail = nlohmann::ordered_json::object();  // extra --json fields
};

using FleetWork = std::function<FleetOutcome(const FleetTarget& target)>;

// Runs `work` for every target on at most `jobs` threads. Plain output: one
// line per device as it ends ("IP:PORT<TAB>成功|失败<TAB>text") and a summary
// line; --json: one object {"devices": [...], "succeeded": N, "failed": M}.
// Returns 0 only when every device succeeded, otherwise kFailedExitStatus.
int RunOnFleet(const std::vector<FleetTarget>& targets, int jobs, const CliSettings& settings,
               const FleetWork& work);

}  // namespace ostrand::cli
