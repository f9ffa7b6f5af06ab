#pragma once
// What the subcommands of ostrand-cli share besides the device runner
// (device_run.h) and the printer (output_printer.h): the global switches and
// KEY=VALUE arguments (UTF-8 on the command line, GBK on the wire).

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/device_report.h"
#include "cli/exit_status.h"
#include "transport/param_map.h"

namespace ostrand::cli {

// Global switches of the tool, set before a subcommand runs.
struct CliSettings {
    bool json = false;          // --json: one JSON document on stdout
    bool header = true;         // --no-header leaves a list's header line out
    bool upgradeCheck = true;   // --no-upgrade-check: the fleet forms skip "getUpdateKernelStatus"
    bool csv = false;           // a subcommand's --csv: its list as CSV on stdout
};

// The action of the chosen subcommand; returns the exit status.
using CliAction = std::function<int(const CliSettings&)>;

// Every subcommand file provides one of these; main keeps the list.
using CommandAdder = void (*)(CLI::App& app, CliAction& action);

// "KEY=VALUE" arguments (split at the first "=") converted to GBK. Throws
// UsageError when one has no "=" or cannot be written in GBK.
ParamMap Assignments(const std::vector<std::string>& arguments);

// The same, limited to `allowed` keys (UTF-8 as typed) and holding every `required` one.
ParamMap Assignments(const std::vector<std::string>& arguments, const std::set<std::string>& allowed,
                     const std::set<std::string>& required = {});

// Device text (GBK) to UTF-8 for output; a byte GBK does not know becomes "?".
std::string OutputText(const std::string& gbk);

// UTF-8 from the command line to device text. Throws UsageError naming
// `what` when GBK cannot hold it.
std::string GbkArgument(const std::string& utf8, const char* what);

}  // namespace ostrand::cli
