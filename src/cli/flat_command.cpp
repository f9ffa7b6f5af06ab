// ostrand-cli flat DEVICES [KEY=VALUE ...]

#include "cli/commands.h"
#include "cli/device_run.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

void AddFlatCommand(CLI::App& app, CliAction& action) {
    auto assignments = std::make_shared<std::vector<std::string>>();
    CLI::App* command = app.add_subcommand("flat", "send a flat document (command 9001) on the TCP channel");
    command->add_option("KEY=VALUE", *assignments, "request elements");
    DeviceCommand(*command, action, ReadsDevice(), [assignments](const CliSettings&) -> DeviceJob {
        const ParamMap request = Assignments(*assignments);
        return [request](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            ParamMap reply;
            const TransportResult result = SendFlatXmlCommand(reply, endpoint, request);
            return FormReply(result, {}, reply);
        };
    });
}

}  // namespace ostrand::cli
