// ostrand-cli post --ip IP --port PORT NAME [KEY=VALUE ...]

#include "cli/commands.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

void AddPostCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::string name;
        std::vector<std::string> assignments;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "post", "write with a form command (POST /goform/NAME; TCP code on port 60005)");
    AddTargetOptions(*command, options->target);
    command->add_option("NAME", options->name, "command name, e.g. setnetparam")->required();
    command->add_option("KEY=VALUE", options->assignments, "request parameters");
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            auto name = DeviceText(options->name, "command name");
            auto request = ParseAssignments(options->assignments);
            if (!name || !request) return kUsageExitStatus;
            CommandTarget target(options->target.ip, options->target.port);
            ParamMap reply;
            std::string detail;  // the HTTP layer's own description of a failure
            const TransportResult result = PostFormCommandCoded(target, *name, *request, reply, &detail);
            return PrintOutcome(settings, result, OutcomeText(result, detail), reply);
        };
    });
}

}  // namespace ostrand::cli
