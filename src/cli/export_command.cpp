// ostrand-cli export --ip IP --port PORT --type N FILE

#include "cli/commands.h"
#include "cli/file_outcome.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddExportCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        int type = 0;
        std::string file;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "export", "stream a device file over the TCP export protocol (2 log, 4 users, 5 records)");
    AddTargetOptions(*command, options->target);
    command->add_option("--type", options->type, "export type")->required()->check(CLI::Range(0, 255));
    command->add_option("FILE", options->file, "local file to write")->required();
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            DeviceEndpoint endpoint{options->target.ip,
                                    static_cast<std::uint16_t>(options->target.port)};
            const std::filesystem::path path(options->file);
            const bool ok = ExportFileTcp(endpoint, path, static_cast<std::uint8_t>(options->type));
            return PrintFileOutcome(settings, ok, kFailedExitStatus,
                                    TransportResultText(kTransportFailed), path,
                                    TransportResultText(kTransportOk));
        };
    });
}

}  // namespace ostrand::cli
