// ostrand-cli tempera probe|get|bind|set-ip: the temperature-device dialog
// without its window.

#include "cli/commands.h"

#include <iostream>

#include "cli/device_run.h"
#include "cli/output_printer.h"
#include "cli/plain_field.h"
#include "ops/peripherals/tempera_binding.h"
#include "ops/peripherals/tempera_probe.h"

namespace ostrand::cli {
namespace {

struct ProbeOptions {
    std::string bind;
    std::vector<std::string> destinations;  // first variant, then second
    std::optional<std::int32_t> waitMs;
    std::optional<std::int32_t> strict;
};

// The dialog's list columns and the fields the answer has besides them.
const std::vector<std::string> kProbeColumns = {"index", "ip", "model", "sn", "port", "type", "mac"};

// The destinations of --dest (first probe, then second), checked when the
// command line is read.
void CheckDestinations(const ProbeOptions& options) {
    if (options.destinations.empty()) return;
    if (options.destinations.size() != 2) {
        throw UsageError("tempera probe: give --dest twice (the first and the second probe)");
    }
    for (const std::string& text : options.destinations) {
        if (!ParseUdpEndpoint(text)) throw UsageError("tempera probe: --dest needs ADDRESS:PORT, not \"" + text + "\"");
    }
}

int RunProbeCommand(const ProbeOptions& options, const CliSettings& settings) {
    auto config = TemperaProbeConfig::FromProfile();
    if (!options.bind.empty()) config.bindAddress = options.bind;
    if (!options.destinations.empty()) {
        const auto first = ParseUdpEndpoint(options.destinations[0]);
        const auto second = ParseUdpEndpoint(options.destinations[1]);
        // Aimed elsewhere than the group: any free local port, no group.
        config.first.destination = *first;
        config.second.destination = *second;
        config.first.localPort = 0;
        config.second.localPort = 0;
        if (!IsMulticastAddress(first->address) && !IsMulticastAddress(second->address)) config.group.clear();
    }
    if (options.waitMs) {
        const auto wait = *options.waitMs;
        config.scanTimeOut = [wait] { return wait; };
    }
    const auto strict = options.strict ? *options.strict : ReadStrictModelFlag();
    const auto found = SearchTemperaDevices(config, strict, [](std::string_view text) {
        std::cerr << PlainField(text) << "\n";
    });
    // Every cell is the device's own text: the printer escapes it, so no
    // answer can add a row or a column.
    std::vector<std::vector<std::string>> rows;
    rows.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const auto& record = found[i];
        rows.push_back({std::to_string(i), OutputText(record.ipv4), OutputText(record.model),
                        OutputText(record.serial), OutputText(record.servicePort), OutputText(record.deviceType),
                        OutputText(record.mac)});
    }
    OutputPrinter(StyleOf(settings), {}, std::cout, std::cerr).PrintTable(kProbeColumns, rows);
    return 0;
}

// The address change goes to a temperature device, not a terminal: the fleet
// form does not ask it for a kernel upgrade state (the dialog asks nothing
// either, and such a device does not know the command).
const CommandShape kAddressChange{false, {}};

}  // namespace

void AddTemperaCommand(CLI::App& app, CliAction& action) {
    CLI::App* tempera = app.add_subcommand("tempera", "temperature devices: probe, bound device, address change");
    tempera->require_subcommand(1);

    auto probe = std::make_shared<ProbeOptions>();
    CLI::App* probeCommand = tempera->add_subcommand(
        "probe", "search like the dialog (both probes, \"TemperaStrickV2\", \"ScanTimeOut\"): a header line, then "
                 "one row per device: index, ip, model, sn, port, type, mac (with --json one array of objects)");
    probeCommand->add_option("--bind", probe->bind, "local address to probe from (default 0.0.0.0)")
        ->check(CLI::ValidIPV4);
    probeCommand->add_option("--dest", probe->destinations,
                             "ADDRESS:PORT of the first and of the second probe (give both; default "
                             "239.255.255.250:37020 and :60033)");
    probeCommand->add_option("--wait-ms", probe->waitMs, "wait for answers in ms (default: \"ScanTimeOut\")");
    probeCommand->add_option("--strict", probe->strict, "strict-model flag (default: \"TemperaStrickV2\")");
    probeCommand->callback([probe, &action] {
        CheckDestinations(*probe);
        action = [probe](const CliSettings& settings) { return RunProbeCommand(*probe, settings); };
    });

    CLI::App* get = tempera->add_subcommand("get", "the temperature device bound to each terminal (7008)");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            const BoundTempera bound = GetBoundTempera(terminal);
            DeviceReport report;
            report.status = bound.ok ? 0 : kFailedExitStatus;
            report.Show(bound.status);
            if (bound.ok) report.AddDeviceValue("IP", bound.ip);
            return report;
        };
    });

    struct BindOptions {
        std::string ip, user, password;
    };
    auto bind = std::make_shared<BindOptions>();
    CLI::App* bindCommand =
        tempera->add_subcommand("bind", "bind a temperature device to terminals (an empty --tempera-ip unbinds)");
    bindCommand->add_option("--tempera-ip", bind->ip, "the temperature device's address")->required();
    bindCommand->add_option("--user", bind->user, "its user name");
    bindCommand->add_option("--password", bind->password, "its password");
    DeviceCommand(*bindCommand, action, ChangesDevice(), [bind](const CliSettings&) -> DeviceJob {
        const std::string user = GbkArgument(bind->user, "user name");
        const std::string password = GbkArgument(bind->password, "password");
        const std::string ip = GbkArgument(bind->ip, "temperature device address");
        return [ip, user, password](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            const TemperaBindOutcome outcome = BindTemperaDevice(terminal, ip, user, password);
            DeviceReport report;
            report.status = outcome.ok ? 0 : kFailedExitStatus;
            // The bind's text, then what the read after it showed.
            report.Show(outcome.status);
            if (outcome.ok) {
                if (!outcome.bound.ok) report.Show(outcome.bound.status);
                report.AddDeviceValue("IP", outcome.bound.ip);
            }
            return report;
        };
    });

    struct SetIpOptions {
        std::string newIp;
    };
    auto setIp = std::make_shared<SetIpOptions>();
    CLI::App* setIpCommand = tempera->add_subcommand(
        "set-ip", "change temperature devices' addresses (--ip/--port or --target: the device and its SvcPort; "
                  "no --new-ip: DHCP)");
    setIpCommand->add_option("--new-ip", setIp->newIp, "the new address (empty: DHCP)");
    DeviceCommand(*setIpCommand, action, kAddressChange, [setIp](const CliSettings&) -> DeviceJob {
        const std::string newIp = GbkArgument(setIp->newIp, "new address");
        return [newIp](const FleetTarget& target) {
            DeviceEndpoint device = EndpointOf(target);
            const TemperaIpOutcome outcome = SetTemperaIp(device, newIp);
            DeviceReport report;
            if (outcome.transport != kTransportOk) {
                report.status = StatusOfTransport(outcome.transport);
            } else if (outcome.reply.empty()) {
                // The flat exchange does not wait twice: a silent device leaves the reply empty.
                report.status = kReceiveFailedExitStatus;
            } else {
                report.status = outcome.ok ? 0 : kFailedExitStatus;
            }
            report.Show(outcome.status);
            report.AddReply(outcome.reply);
            return report;
        };
    });
}

}  // namespace ostrand::cli
