#pragma once
// What the attendance-terminal subcommands share: the outcome of an
// operation printed as the dialogs show it (messages) with the values read
// (KEY=VALUE lines, or one JSON object with --json), and the exit status.
// Exit status: 0 done, 9 a value was refused before sending (the transport's
// "bad parameter"), 10 the terminal refused, otherwise the transport result.

#include <iostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli_common.h"
#include "ops/attendance/terminal_exchange.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

inline constexpr int kRefusedExitStatus = 9;
inline constexpr int kDeviceRefusedExitStatus = kFailedExitStatus;

using CliValues = std::vector<std::pair<std::string, std::string>>;  // UTF-8

inline int ExitStatusOf(const TerminalOutcome& outcome) {
    switch (outcome.status) {
    case TerminalOutcome::Status::Done: return 0;
    case TerminalOutcome::Status::Refused: return kRefusedExitStatus;
    case TerminalOutcome::Status::DeviceRefused: return kDeviceRefusedExitStatus;
    case TerminalOutcome::Status::TransportFailed:
        return outcome.transport != 0 ? outcome.transport : kFailedExitStatus;
    }
    return kFailedExitStatus;
}

// Prints the values (on success) and the messages; returns the exit status.
inline int PrintTerminalOutcome(const CliSettings& settings, const TerminalOutcome& outcome,
                                const CliValues& values = {}) {
    const int status = ExitStatusOf(outcome);
    if (settings.json) {
        nlohmann::ordered_json document;
        document["status"] = status;
        document["messages"] = outcome.messages;
        nlohmann::ordered_json entries = nlohmann::ordered_json::object();
        if (status == 0) {
            for (const auto& [key, value] : values) entries[key] = value;
        }
        document["values"] = std::move(entries);
        std::cout << document.dump() << "\n";
    } else {
        if (status == 0) {
            for (const auto& [key, value] : values) std::cout << key << "=" << value << "\n";
        }
        for (const std::string& message : outcome.messages) {
            (status == 0 ? std::cout : std::cerr) << message << "\n";
        }
    }
    std::cout.flush();
    return status;
}

inline int PrintRefusal(const CliSettings& settings, std::string message) {
    return PrintTerminalOutcome(settings, TerminalOutcome::Refusal(std::move(message)));
}

inline DeviceEndpoint EndpointOf(const TargetOptions& target) {
    return {target.ip, static_cast<std::uint16_t>(target.port)};
}

// KEY=VALUE arguments (values in GBK) limited to `allowed` keys and holding
// every `required` one; nullopt after a message naming the problem.
inline std::optional<ParamMap> GroupValues(const std::vector<std::string>& arguments,
                                           const std::set<std::string>& allowed,
                                           const std::set<std::string>& required) {
    auto values = ParseAssignments(arguments);
    if (!values) return std::nullopt;
    for (const auto& [key, value] : *values) {
        if (!allowed.contains(key)) {
            std::cerr << "ostrand-cli: unknown value \"" << OutputText(key) << "\"\n";
            return std::nullopt;
        }
    }
    for (const std::string& key : required) {
        if (!values->contains(key)) {
            std::cerr << "ostrand-cli: " << key << "=... is required\n";
            return std::nullopt;
        }
    }
    return values;
}

// The subcommands, one file each.
void AddTerminalCommand(CLI::App& app, CliAction& action);
void AddPeriodsCommand(CLI::App& app, CliAction& action);
void AddBindingCommands(CLI::App& app, CliAction& action);
void AddCardCommand(CLI::App& app, CliAction& action);

}  // namespace ostrand::cli
