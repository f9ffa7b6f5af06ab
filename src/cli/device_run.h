#pragma once
// The one way a subcommand reaches devices. Every device subcommand takes
// either --ip/--port (one device: its values and texts) or --target IP:PORT
// (repeatable) / --targets-from SCAN.json with --jobs N (many devices at
// once: a line per device and a summary), and hands RunDevices the job of one
// device. The runner collects the messages each device's run shows, decides
// the exit status from the one table, and prints through the one printer.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/device_report.h"
#include "cli/device_target.h"
#include "cli/output_printer.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

// The TCP channels' address of a device.
inline DeviceEndpoint EndpointOf(const FleetTarget& device) {
    return {device.ip, static_cast<std::uint16_t>(device.port)};
}

// The printer's style of the global switches.
inline OutputStyle StyleOf(const CliSettings& settings) { return {settings.json, settings.header, settings.csv}; }

// Devices worked on at once when --jobs is not given: all of them, up to this.
inline constexpr int kDefaultMaxJobs = 256;

struct DeviceOptions {
    std::string ip;
    int port = 0;
    std::vector<std::string> targets;  // IP:PORT texts
    std::string targetsFrom;           // file with the scan's JSON array
    int jobs = 0;                      // 0: every device at once, up to kDefaultMaxJobs
};

// --ip, --port, --target, --targets-from and --jobs on a subcommand.
void AddDeviceOptions(CLI::App& command, DeviceOptions& options);

// The devices a run works on.
struct DeviceSelection {
    std::vector<FleetTarget> targets;
    bool fleet = false;  // named by --target/--targets-from: the fleet form of the output
    int jobs = 0;
};

// Run in the subcommand's callback: either --ip and --port, or the fleet
// options; reads the targets file once. Throws CLI errors (usage) otherwise.
DeviceSelection SelectDevices(const CLI::App& command, const DeviceOptions& options);

// One device's work. It may show messages (they become the report's first
// texts) and may throw (the device fails with the exception's text).
using DeviceJob = std::function<DeviceReport(const FleetTarget& device)>;

// Runs `job` on every selected device (at once, up to the jobs bound) and
// prints the reports; returns the exit status.
int RunDevices(const CliSettings& settings, const DeviceSelection& devices, const CommandShape& shape,
               const DeviceJob& job);

// Everything a subcommand that reaches devices needs in its callback: adds the
// device options, and in the callback selects the devices and installs the
// action. `makeJob` runs after the command line is read (it may throw
// UsageError) and returns the job.
void DeviceCommand(CLI::App& command, CliAction& action, CommandShape shape,
                   std::function<DeviceJob(const CliSettings& settings)> makeJob);
// The same for a job that depends on the devices named (one file per device in
// the fleet form, a value that names one device only): `makeJob` also gets the
// selection.
void DeviceCommand(CLI::App& command, CliAction& action, CommandShape shape,
                   std::function<DeviceJob(const CliSettings& settings, const DeviceSelection& devices)> makeJob);

}  // namespace ostrand::cli
