// ostrand-cli tempera probe|get|bind|set-ip: the temperature-device dialog
// without its window.

#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <iostream>

#include "ops/peripherals/tempera_binding.h"
#include "ops/peripherals/tempera_probe.h"
#include "platform/code_page.h"
#include "transport/form_channel.h"

namespace ostrand::cli {
namespace {

struct ProbeOptions {
    std::string bind;
    std::vector<std::string> destinations;  // first variant, then second
    std::optional<std::int32_t> waitMs;
    std::optional<std::int32_t> strict;
};

int RunProbeCommand(const ProbeOptions& options, const CliSettings& settings) {
    auto config = TemperaProbeConfig::FromProfile();
    if (!options.bind.empty()) config.bindAddress = options.bind;
    if (!options.destinations.empty()) {
        if (options.destinations.size() != 2) {
            std::cerr << "ostrand-cli tempera probe: --dest is given twice (first and second probe)\n";
            return kTransportBadParameter;
        }
        const auto first = ParseUdpEndpoint(options.destinations[0]);
        const auto second = ParseUdpEndpoint(options.destinations[1]);
        if (!first || !second) {
            std::cerr << "ostrand-cli tempera probe: --dest needs ADDRESS:PORT\n";
            return kTransportBadParameter;
        }
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
    const auto found =
        SearchTemperaDevices(config, strict, [](std::string_view text) { std::cerr << text << "\n"; });
    if (settings.json) {
        auto rows = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < found.size(); ++i) {
            const auto& record = found[i];
            rows.push_back({{"index", i},
                            {"ip", OutputText(record.ipv4)},
                            {"model", OutputText(record.model)},
                            {"sn", OutputText(record.serial)},
                            {"port", OutputText(record.servicePort)},
                            {"type", OutputText(record.deviceType)},
                            {"mac", OutputText(record.mac)}});
        }
        std::cout << rows.dump(2) << "\n";
    } else {
        for (std::size_t i = 0; i < found.size(); ++i) {
            const auto& record = found[i];
            std::cout << i << "\t" << OutputText(record.ipv4) << "\t" << OutputText(record.model) << "\t"
                      << OutputText(record.serial) << "\t" << OutputText(record.servicePort) << "\n";
        }
    }
    std::cout.flush();
    return 0;
}

DeviceEndpoint Endpoint(const TargetOptions& target) {
    return {target.ip, static_cast<std::uint16_t>(target.port)};
}

}  // namespace

void AddTemperaCommand(CLI::App& app, CliAction& action) {
    CLI::App* tempera = app.add_subcommand("tempera", "temperature devices: probe, bound device, address change");
    tempera->require_subcommand(1);

    auto probe = std::make_shared<ProbeOptions>();
    CLI::App* probeCommand = tempera->add_subcommand(
        "probe", "search like the dialog (both probes, \"TemperaStrickV2\", \"ScanTimeOut\"); one row per device: "
                 "number, IP, model, SN, port (with --json one array of objects)");
    probeCommand->add_option("--bind", probe->bind, "local address to probe from (default 0.0.0.0)")
        ->check(CLI::ValidIPV4);
    probeCommand->add_option("--dest", probe->destinations,
                             "ADDRESS:PORT of the first and of the second probe (give both; default "
                             "239.255.255.250:37020 and :60033)");
    probeCommand->add_option("--wait-ms", probe->waitMs, "wait for answers in ms (default: \"ScanTimeOut\")");
    probeCommand->add_option("--strict", probe->strict, "strict-model flag (default: \"TemperaStrickV2\")");
    probeCommand->callback([probe, &action] {
        action = [probe](const CliSettings& settings) { return RunProbeCommand(*probe, settings); };
    });

    auto getTarget = std::make_shared<TargetOptions>();
    CLI::App* get = tempera->add_subcommand("get", "the temperature device bound to a terminal (7008)");
    AddTargetOptions(*get, *getTarget);
    get->callback([getTarget, &action] {
        action = [getTarget](const CliSettings& settings) {
            auto terminal = Endpoint(*getTarget);
            const auto bound = GetBoundTempera(terminal);
            return PrintOutcome(settings, bound.ok ? 0 : kFailedExitStatus, bound.status, {{"IP", bound.ip}});
        };
    });

    struct BindOptions {
        TargetOptions target;
        std::string ip, user, password;
    };
    auto bind = std::make_shared<BindOptions>();
    CLI::App* bindCommand =
        tempera->add_subcommand("bind", "bind a temperature device to a terminal (an empty --tempera-ip unbinds)");
    AddTargetOptions(*bindCommand, bind->target);
    bindCommand->add_option("--tempera-ip", bind->ip, "the temperature device's address")->required();
    bindCommand->add_option("--user", bind->user, "its user name");
    bindCommand->add_option("--password", bind->password, "its password");
    bindCommand->callback([bind, &action] {
        action = [bind](const CliSettings& settings) {
            const auto user = DeviceText(bind->user, "user name");
            const auto password = DeviceText(bind->password, "password");
            if (!user || !password) return kTransportBadParameter;
            auto terminal = Endpoint(bind->target);
            const auto outcome = BindTemperaDevice(terminal, bind->ip, *user, *password);
            return PrintOutcome(settings, outcome.ok ? 0 : kFailedExitStatus, outcome.status,
                                outcome.ok ? ParamMap{{"IP", outcome.bound.ip}} : ParamMap{});
        };
    });

    struct SetIpOptions {
        TargetOptions target;
        std::string newIp;
    };
    auto setIp = std::make_shared<SetIpOptions>();
    CLI::App* setIpCommand = tempera->add_subcommand(
        "set-ip", "change a temperature device's address (--ip/--port: the device and its SvcPort; no "
                  "--new-ip: DHCP)");
    AddTargetOptions(*setIpCommand, setIp->target);
    setIpCommand->add_option("--new-ip", setIp->newIp, "the new address (empty: DHCP)");
    setIpCommand->callback([setIp, &action] {
        action = [setIp](const CliSettings& settings) {
            auto device = Endpoint(setIp->target);
            const auto outcome = SetTemperaIp(device, setIp->newIp);
            const int status = outcome.transport != kTransportOk ? outcome.transport
                               : outcome.ok                      ? 0
                                                                 : kFailedExitStatus;
            return PrintOutcome(settings, status, outcome.status, outcome.reply);
        };
    });
}

}  // namespace ostrand::cli
