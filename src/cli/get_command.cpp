// ostrand-cli get DEVICES NAME

#include "cli/commands.h"
#include "cli/device_run.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

// The reply of one form command as the report of its device.
DeviceReport FormReply(TransportResult result, const std::string& detail, const ParamMap& reply) {
    DeviceReport report;
    report.status = StatusOfTransport(result);
    if (result != kTransportOk) report.text = OutcomeText(result, detail);
    report.AddReply(reply);
    return report;
}

void AddGetCommand(CLI::App& app, CliAction& action) {
    auto name = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("get", "read with a form command (GET /goform/NAME; TCP code on port 60005)");
    command->add_option("NAME", *name, "command name, e.g. getnetparam")->required();
    DeviceCommand(*command, action, ReadsDevice(), [name](const CliSettings&) -> DeviceJob {
        const std::string gbkName = GbkArgument(*name, "command name");
        return [gbkName](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            ParamMap reply;
            std::string detail;  // the HTTP layer's own description of a failure
            const TransportResult result = GetFormCommandCoded(target, gbkName, reply, &detail);
            return FormReply(result, detail, reply);
        };
    });
}

}  // namespace ostrand::cli
