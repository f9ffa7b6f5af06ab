#include "cli/device_run.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "cli/exit_status.h"
#include "ops/shell/bounded_parallel.h"
#include "ops/shell/command_gates.h"
#include "ops/shell/per_thread_messages.h"
#include "platform/message_sink.h"
#include "transport/failure_note.h"
#include "transport/form_channel.h"

namespace ostrand::cli {
namespace {

// The main window's kernel-upgrade check before a command that changes the
// device; nullopt when the device may be operated.
std::optional<DeviceReport> UpgradeCheck(const FleetTarget& device) {
    std::vector<std::string> shown;
    PerThreadMessages::Collect collect(shown);
    CommandTarget target(device.ip, device.port);
    ParamMap reply;
    std::string detail;
    const TransportResult result = GetFormCommandCoded(target, "getUpdateKernelStatus", reply, &detail);
    if (result != kTransportOk) {
        return DeviceReport::Failure(StatusOfTransport(result),
                                     "内核升级状态查询失败（getUpdateKernelStatus）：" + OutcomeText(result, detail));
    }
    if (KernelStateFromReply(reply) == KernelState::Free) return std::nullopt;
    DeviceReport busy = DeviceReport::Failure(kFailedExitStatus, shown.empty() ? "busy" : shown.front());
    return busy;
}

DeviceReport RunOne(const FleetTarget& device, bool fleet, const CommandShape& shape, const CliSettings& settings,
                    const DeviceJob& job) {
    if (!device.problem.empty()) {
        DeviceReport report = DeviceReport::Failure(kBadValueExitStatus, device.problem);
        report.sent = false;
        return report;
    }
    if (fleet && shape.changes && settings.upgradeCheck) {
        if (auto busy = UpgradeCheck(device)) return std::move(*busy);
    }
    std::vector<std::string> shown;
    DeviceReport report;
    TransportFailureWatch failures;
    {
        PerThreadMessages::Collect collect(shown);
        try {
            report = job(device);
        } catch (const std::exception& e) {
            report = DeviceReport::Failure(kFailedExitStatus, e.what());
        } catch (...) {
            report = DeviceReport::Failure(kFailedExitStatus, "unexpected failure");
        }
    }
    // The channel's own texts come before the operation's, as their message boxes would.
    shown.insert(shown.end(), std::make_move_iterator(report.messages.begin()),
                 std::make_move_iterator(report.messages.end()));
    report.messages = std::move(shown);
    // A channel call that answers only yes or no still noted why it failed.
    if (report.status == kFailedExitStatus && failures.Last() && *failures.Last() != kTransportOk) {
        report.status = StatusOfTransport(*failures.Last());
    }
    if (report.status == kBadValueExitStatus) report.sent = false;
    return report;
}

}  // namespace

void AddDeviceOptions(CLI::App& command, DeviceOptions& options) {
    command.add_option("--ip", options.ip, "device address (dotted IPv4); or --target/--targets-from")
        ->check(CLI::ValidIPV4);
    command.add_option("--port", options.port, "device command port (60005: TCP channel)")
        ->check(CLI::Range(1, 65535));
    // One IP:PORT per --target, so the subcommand's own arguments may follow it.
    command.add_option("--target", options.targets, "a device IP:PORT (repeatable)")->allow_extra_args(false);
    command.add_option("--targets-from", options.targetsFrom,
                       "the devices of `ostrand-cli scan --json` output (a file, a pipe or /dev/stdin)");
    command.add_option("--jobs", options.jobs,
                       "devices worked on at once (default: all of them, up to " + std::to_string(kDefaultMaxJobs) +
                           ")")
        ->check(CLI::Range(1, 4096));
}

DeviceSelection SelectDevices(const CLI::App& command, const DeviceOptions& options) {
    const bool single = command.count("--ip") > 0 || command.count("--port") > 0;
    const bool fleet = !options.targets.empty() || !options.targetsFrom.empty();
    if (single && fleet) {
        throw CLI::ValidationError("--ip/--port", "give either --ip and --port or --target/--targets-from, not both");
    }
    DeviceSelection selection;
    selection.jobs = options.jobs;
    if (!fleet) {
        if (command.count("--ip") == 0 || command.count("--port") == 0) {
            throw CLI::RequiredError("--ip and --port (or --target/--targets-from)");
        }
        selection.targets.push_back(FleetTarget::At(options.ip, options.port));
        return selection;
    }
    selection.fleet = true;
    std::vector<FleetTarget> targets;
    targets.reserve(options.targets.size());
    for (const std::string& text : options.targets) {
        FleetTarget target = ParseFleetTarget(text);
        if (!target.problem.empty()) throw CLI::ValidationError("--target", target.problem);
        targets.push_back(std::move(target));
    }
    if (!options.targetsFrom.empty()) {
        try {
            for (auto& target : TargetsFromScanJson(ReadTargetsFile(options.targetsFrom))) {
                targets.push_back(std::move(target));
            }
        } catch (const std::invalid_argument& e) {
            throw CLI::ValidationError("--targets-from", e.what());
        }
    }
    selection.targets = WithoutRepeats(std::move(targets));
    if (selection.targets.empty()) throw CLI::ValidationError("--targets-from", "the targets file names no device");
    return selection;
}

int RunDevices(const CliSettings& settings, const DeviceSelection& devices, const CommandShape& shape,
               const DeviceJob& job) {
    PerThreadMessages sink(Messages());
    ScopedMessageSink sinkGuard(sink);
    OutputPrinter printer(StyleOf(settings), shape, std::cout, std::cerr);
    if (!devices.fleet && devices.targets.size() == 1) {
        const DeviceReport report = RunOne(devices.targets.front(), false, shape, settings, job);
        printer.PrintSingle(devices.targets.front(), report);
        return report.status;
    }
    const auto& targets = devices.targets;
    std::vector<DeviceReport> reports(targets.size());
    const std::size_t jobs = devices.jobs > 0 ? static_cast<std::size_t>(devices.jobs)
                                              : static_cast<std::size_t>(kDefaultMaxJobs);
    ForEachBounded(targets.size(), jobs, [&](std::size_t index) {
        reports[index] = RunOne(targets[index], true, shape, settings, job);
        printer.PrintFleetLine(targets[index], reports[index]);
    });
    printer.PrintFleetEnd(targets, reports);
    for (const DeviceReport& report : reports) {
        if (!report.Succeeded()) return report.status;
    }
    return 0;
}

void DeviceCommand(CLI::App& command, CliAction& action, CommandShape shape,
                   std::function<DeviceJob(const CliSettings& settings, const DeviceSelection& devices)> makeJob) {
    auto options = std::make_shared<DeviceOptions>();
    AddDeviceOptions(command, *options);
    CLI::App* self = &command;
    command.callback([options, self, &action, shape = std::move(shape), makeJob = std::move(makeJob)] {
        auto devices = std::make_shared<DeviceSelection>(SelectDevices(*self, *options));
        action = [devices, shape, makeJob](const CliSettings& settings) {
            const DeviceJob job = makeJob(settings, *devices);
            return RunDevices(settings, *devices, shape, job);
        };
    });
}

void DeviceCommand(CLI::App& command, CliAction& action, CommandShape shape,
                   std::function<DeviceJob(const CliSettings& settings)> makeJob) {
    DeviceCommand(command, action, std::move(shape),
                  [makeJob = std::move(makeJob)](const CliSettings& settings, const DeviceSelection&) {
                      return makeJob(settings);
                  });
}

}  // namespace ostrand::cli
