// ostrand-cli xml DEVICES --code N [KEY=VALUE ...]

#include "cli/commands.h"
#include "cli/device_run.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

void AddXmlCommand(CLI::App& app, CliAction& action) {
    auto code = std::make_shared<CommandCode>(0);
    auto assignments = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand("xml", "send a command document on the framed TCP channel");
    command->add_option("--code", *code, "command code, e.g. 5019")->required();
    command->add_option("KEY=VALUE", *assignments, "request parameters");
    DeviceCommand(*command, action, ReadsDevice(), [code, assignments](const CliSettings&) -> DeviceJob {
        const ParamMap request = Assignments(*assignments);
        return [request, code = *code](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            ParamMap reply;
            const TransportResult result = SendXmlCommandCoded(endpoint, request, reply, code);
            return FormReply(result, {}, reply);
        };
    });
}

}  // namespace ostrand::cli
