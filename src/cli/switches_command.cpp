// ostrand-cli switches get DEVICES
// ostrand-cli switches set DEVICES [--stream on|off] [--debuglog on|off]
//
// The video stream switch (5045, write only) and the debug log switch
// (7009 read, 7010 write).

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/function_switches.h"

namespace ostrand::cli {
namespace {

SwitchChoice Choice(const std::string& text) {
    if (text.empty()) return SwitchChoice::None;
    return text == "on" ? SwitchChoice::On : SwitchChoice::Off;
}

}  // namespace

void AddSwitchesCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string stream;
        std::string debuglog;
    };
    auto options = std::make_shared<Options>();
    CLI::App* group = app.add_subcommand("switches", "function switches: video stream and debug log");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand(
        "get", "print debuglog=on|off (empty when the device does not say); the stream switch cannot be read");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            const DebugLogState state = ReadDebugLog(endpoint);
            DeviceReport report;
            report.status = state.outcome.ok ? 0 : kFailedExitStatus;
            if (state.outcome.ok) {
                report.values = {{"debuglog", state.choice == SwitchChoice::None ? ""
                                              : state.choice == SwitchChoice::On ? "on"
                                                                                 : "off"}};
            }
            return report;
        };
    });

    CLI::App* set = group->add_subcommand("set", "set the stream switch, the debug log switch, or both");
    const auto onOff = CLI::IsMember({"on", "off"});
    set->add_option("--stream", options->stream, "video stream on or off (5045)")->check(onOff);
    set->add_option("--debuglog", options->debuglog, "debug log on or off (7010)")->check(onOff);
    DeviceCommand(*set, action, ChangesDevice(), [options](const CliSettings&) -> DeviceJob {
        if (options->stream.empty() && options->debuglog.empty()) throw UsageError("give --stream and/or --debuglog");
        const SwitchChoice stream = Choice(options->stream);
        const SwitchChoice debuglog = Choice(options->debuglog);
        return [stream, debuglog](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            bool ok = true;
            if (stream != SwitchChoice::None) ok = SetStreamSwitch(endpoint, stream).ok;
            if (ok && debuglog != SwitchChoice::None) ok = WriteDebugLog(endpoint, debuglog).ok;
            DeviceReport report;
            report.status = ok ? 0 : kFailedExitStatus;
            return report;
        };
    });
}

}  // namespace ostrand::cli
