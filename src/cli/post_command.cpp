// ostrand-cli post DEVICES NAME [KEY=VALUE ...]

#include "cli/commands.h"
#include "cli/device_run.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

void AddPostCommand(CLI::App& app, CliAction& action) {
    auto name = std::make_shared<std::string>();
    auto assignments = std::make_shared<std::vector<std::string>>();
    CLI::App* command =
        app.add_subcommand("post", "write with a form command (POST /goform/NAME; TCP code on port 60005)");
    command->add_option("NAME", *name, "command name, e.g. setnetparam")->required();
    command->add_option("KEY=VALUE", *assignments, "request parameters");
    DeviceCommand(*command, action, ChangesDevice(), [name, assignments](const CliSettings&) -> DeviceJob {
        const std::string gbkName = GbkArgument(*name, "command name");
        const ParamMap request = Assignments(*assignments);
        return [gbkName, request](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            ParamMap sent = request;  // the channel adds its fixed entry
            ParamMap reply;
            std::string detail;  // the HTTP layer's own description of a failure
            const TransportResult result = PostFormCommandCoded(target, gbkName, sent, reply, &detail);
            return FormReply(result, detail, reply);
        };
    });
}

}  // namespace ostrand::cli
