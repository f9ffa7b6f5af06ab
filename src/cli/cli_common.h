#pragma once
// What the subcommands of ostrand-cli share: the target options, KEY=VALUE
// arguments (UTF-8 on the command line, GBK on the wire) and the output of a
// result with its reply (KEY=VALUE lines in map order, or one JSON object).
// Plain output escapes control characters (plain_field.h), so whatever a
// device sends, one value is one field of one line.

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_status.h"
#include "transport/param_map.h"

namespace ostrand::cli {

// Global switches of the tool, set before a subcommand runs.
struct CliSettings {
    bool json = false;
};

// The action of the chosen subcommand; returns the exit status.
using CliAction = std::function<int(const CliSettings&)>;

// Every subcommand file provides one of these; main keeps the list.
using CommandAdder = void (*)(CLI::App& app, CliAction& action);

struct TargetOptions {
    std::string ip;
    int port = 0;
};
void AddTargetOptions(CLI::App& command, TargetOptions& target);

// "KEY=VALUE" arguments (split at the first "=") converted to GBK. nullopt
// after a message on stderr when one has no "=" or cannot be written in GBK
// (the caller then exits with kUsageExitStatus).
std::optional<ParamMap> ParseAssignments(const std::vector<std::string>& arguments);

// Device text (GBK) to UTF-8 for output; a byte GBK does not know becomes "?".
std::string OutputText(const std::string& gbk);

// UTF-8 from the command line to device text; nullopt after a message.
std::optional<std::string> DeviceText(const std::string& utf8, const char* what);

// Prints the reply and returns `result` as the exit status.
int PrintOutcome(const CliSettings& settings, std::int32_t result, const std::string& text,
                 const ParamMap& reply);

// The transport's text for `result`, followed by the HTTP layer's own
// description of the failure when there is one ("失败: connection refused").
std::string OutcomeText(std::int32_t result, const std::string& detail);

// Exit status of the channels that only answer yes or no (export, download,
// HTTP uploads) when they fail: the transport's "失败".
inline constexpr int kFailedExitStatus = 10;

}  // namespace ostrand::cli
