// What the netparam, ntp, serial and switches subcommands share: the device
// options of a read (--ip/--port) and of a write (--ip/--port or the fleet
// options), the messages an operation shows captured per device, and the
// output of one device or of a fleet.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/fleet_targets.h"
#include "platform/message_sink.h"

namespace ostrand::cli {

// What one device's operation ended with. Values are device text (GBK) and
// are printed as KEY=VALUE lines in their order.
struct NetCliOutcome {
    int status = 0;  // 0: success
    std::vector<std::pair<std::string, std::string>> values;
};

// Runs on one device with the messages it shows collected. The operation
// must not start threads of its own that show messages.
using NetCliWork = std::function<NetCliOutcome(const FleetTarget& target)>;

// --ip and --port, optional so that a write may name its devices otherwise.
struct NetDeviceOptions {
    std::string ip;
    int port = 0;
    FleetOptions fleet;
    bool english = false;
};
void AddNetReadOptions(CLI::App& command, NetDeviceOptions& options);
void AddNetWriteOptions(CLI::App& command, NetDeviceOptions& options);

// Runs a read on the one device and prints its values and messages:
// plain KEY=VALUE lines and the messages (on stderr when it failed), or one
// JSON object {"result", "messages", "values"}.
int RunNetRead(const NetDeviceOptions& options, const CliSettings& settings, const NetCliWork& work);

// Runs a write on the device of --ip/--port, or on every fleet target (one
// line per device and a summary). `perDevice` names the option that makes the
// write valid for one device only (empty: any number of devices).
int RunNetWrite(const NetDeviceOptions& options, const CliSettings& settings,
                const std::string& perDevice, const NetCliWork& work);

// "on"/"off" for a switch option; nullopt for anything else.
std::optional<bool> OnOff(const std::string& text);

// The exit status of a refusal by the device (its transport exchange worked).
inline constexpr int kRefusedExitStatus = kFailedExitStatus;

}  // namespace ostrand::cli
