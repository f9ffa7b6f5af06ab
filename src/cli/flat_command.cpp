// ostrand-cli flat --ip IP --port PORT [KEY=VALUE ...]

#include "cli/commands.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

void AddFlatCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::vector<std::string> assignments;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("flat", "send a flat document (command 9001) on the TCP channel");
    AddTargetOptions(*command, options->target);
    command->add_option("KEY=VALUE", options->assignments, "request elements");
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            auto request = ParseAssignments(options->assignments);
            if (!request) return kUsageExitStatus;
            DeviceEndpoint endpoint{options->target.ip,
                                    static_cast<std::uint16_t>(options->target.port)};
            ParamMap reply;
            const TransportResult result = SendFlatXmlCommand(reply, endpoint, *request);
            return PrintOutcome(settings, result, TransportResultText(result), reply);
        };
    });
}

}  // namespace ostrand::cli
