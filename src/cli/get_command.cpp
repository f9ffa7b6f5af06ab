// ostrand-cli get --ip IP --port PORT NAME

#include "cli/commands.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

void AddGetCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::string name;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "get", "read with a form command (GET /goform/NAME; TCP code on port 60005)");
    AddTargetOptions(*command, options->target);
    command->add_option("NAME", options->name, "command name, e.g. getnetparam")->required();
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            auto name = DeviceText(options->name, "command name");
            if (!name) return kUsageExitStatus;
            CommandTarget target(options->target.ip, options->target.port);
            ParamMap reply;
            std::string detail;  // the HTTP layer's own description of a failure
            const TransportResult result = GetFormCommandCoded(target, *name, reply, &detail);
            return PrintOutcome(settings, result, OutcomeText(result, detail), reply);
        };
    });
}

}  // namespace ostrand::cli
