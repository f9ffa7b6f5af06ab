// ostrand-cli switches get --ip IP --port PORT
// ostrand-cli switches set (--ip IP --port PORT | --target IP:PORT ... | --targets-from FILE)
//     [--stream on|off] [--debuglog on|off]
//
// The video stream switch (5045, write only) and the debug log switch
// (7009 read, 7010 write).

#include <iostream>

#include "cli/commands.h"
#include "cli/net_cli_support.h"
#include "ops/maintenance/function_switches.h"

namespace ostrand::cli {
namespace {

SwitchChoice Choice(const std::string& text) {
    if (text.empty()) return SwitchChoice::None;
    return *OnOff(text) ? SwitchChoice::On : SwitchChoice::Off;
}

}  // namespace

void AddSwitchesCommand(CLI::App& app, CliAction& action) {
    struct Options {
        NetDeviceOptions get;
        NetDeviceOptions set;
        std::string stream;
        std::string debuglog;
    };
    auto options = std::make_shared<Options>();
    CLI::App* group = app.add_subcommand("switches", "function switches: video stream and debug log");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand(
        "get", "print debuglog=on|off (empty when the device does not say); the stream switch cannot be read");
    AddNetReadOptions(*get, options->get);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return RunNetRead(options->get, settings, [](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                const DebugLogState state = ReadDebugLog(endpoint);
                NetCliOutcome outcome;
                outcome.status = state.outcome.ok ? 0 : kRefusedExitStatus;
                if (state.outcome.ok) outcome.values = {{"debuglog", state.choice == SwitchChoice::None ? ""
                                               : state.choice == SwitchChoice::On ? "on"
                                                                                  : "off"}};
                return outcome;
            });
        };
    });

    CLI::App* set = group->add_subcommand("set", "set the stream switch, the debug log switch, or both");
    AddNetWriteOptions(*set, options->set);
    const auto onOff = CLI::IsMember({"on", "off"});
    set->add_option("--stream", options->stream, "video stream on or off (5045)")->check(onOff);
    set->add_option("--debuglog", options->debuglog, "debug log on or off (7010)")->check(onOff);
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            if (options->stream.empty() && options->debuglog.empty()) {
                std::cerr << "ostrand-cli: give --stream and/or --debuglog\n";
                return kBadValueExitStatus;
            }
            const SwitchChoice stream = Choice(options->stream);
            const SwitchChoice debuglog = Choice(options->debuglog);
            return RunNetWrite(options->set, settings, "", [stream, debuglog](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                NetCliOutcome outcome;
                bool ok = true;
                if (stream != SwitchChoice::None) ok = SetStreamSwitch(endpoint, stream).ok;
                if (ok && debuglog != SwitchChoice::None) ok = WriteDebugLog(endpoint, debuglog).ok;
                outcome.status = ok ? 0 : kRefusedExitStatus;
                return outcome;
            });
        };
    });
}

}  // namespace ostrand::cli
