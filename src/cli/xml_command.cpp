// ostrand-cli xml --ip IP --port PORT --code N [KEY=VALUE ...]

#include "cli/commands.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand::cli {

void AddXmlCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        CommandCode code = 0;
        std::vector<std::string> assignments;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("xml", "send a command document on the framed TCP channel");
    AddTargetOptions(*command, options->target);
    command->add_option("--code", options->code, "command code, e.g. 5019")->required();
    command->add_option("KEY=VALUE", options->assignments, "request parameters");
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            auto request = ParseAssignments(options->assignments);
            if (!request) return kUsageExitStatus;
            DeviceEndpoint endpoint{options->target.ip,
                                    static_cast<std::uint16_t>(options->target.port)};
            ParamMap reply;
            const TransportResult result =
                SendXmlCommandCoded(endpoint, *request, reply, options->code);
            return PrintOutcome(settings, result, TransportResultText(result), reply);
        };
    });
}

}  // namespace ostrand::cli
