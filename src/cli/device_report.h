#pragma once
// What one device's run of a subcommand ended with, in the terms every
// subcommand prints: an exit status from the one table, the texts the dialog
// would show (in order), the values read, and the rows of a list. Texts here
// are UTF-8; the printer escapes them, so a subcommand never formats output.

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {
struct MaintenanceOutcome;
struct TerminalOutcome;
}  // namespace ostrand

namespace ostrand::cli {

using Fields = std::vector<std::pair<std::string, std::string>>;  // UTF-8 key, UTF-8 value

struct DeviceReport {
    int status = 0;     // exit status (exit_status.h); 0 is success
    bool sent = true;   // false: refused before anything reached the device
    std::vector<std::string> messages;  // UTF-8, as the dialog shows them
    std::string text;   // one-line summary; the messages (or the status's text) when empty
    Fields values;      // KEY=VALUE lines
    std::vector<std::vector<std::string>> rows;  // cells of a list, in the command's columns
    nlohmann::ordered_json extra = nlohmann::ordered_json::object();  // further --json members

    bool Succeeded() const { return status == 0; }
    void Show(std::string message) { messages.push_back(std::move(message)); }
    // A device value (GBK) under a key of the tool's.
    void AddDeviceValue(std::string key, const std::string& gbk);
    // Every entry of a reply (GBK keys and values), in map order.
    void AddReply(const ParamMap& reply);

    static DeviceReport Failure(int status, std::string message);
};

// Usage errors found after the command line was read (a KEY=VALUE the
// subcommand does not know, a text GBK cannot hold): main prints the message
// and the subcommand's usage and exits kUsageExitStatus. Throw it before any
// device is reached.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The exit status of a transport result (0..10 as they are).
int StatusOfTransport(TransportResult result);

// The reports of the operations' own outcome types.
DeviceReport ReportOf(const MaintenanceOutcome& outcome);
DeviceReport ReportOf(const TerminalOutcome& outcome, Fields values = {});

// The transport's text for a status, with the HTTP layer's description after
// it when there is one ("失败: connection refused").
std::string OutcomeText(TransportResult result, const std::string& detail = {});

}  // namespace ostrand::cli
