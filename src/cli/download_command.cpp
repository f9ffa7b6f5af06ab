// ostrand-cli download --ip IP --port PORT --type N FILE

#include "cli/commands.h"
#include "cli/file_outcome.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddDownloadCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        int type = 0;
        std::string file;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "download",
        "download a device file (HTTP log archive, or the TCP export on port 60005)");
    AddTargetOptions(*command, options->target);
    command->add_option("--type", options->type, "export type used on port 60005")
        ->required()
        ->check(CLI::Range(0, 255));
    command->add_option("FILE", options->file, "local file to write")->required();
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            CommandTarget target(options->target.ip, options->target.port);
            const std::filesystem::path path(options->file);
            const bool ok =
                DownloadDeviceFile(target, path, static_cast<std::uint8_t>(options->type));
            return PrintFileOutcome(settings, ok, kFailedExitStatus,
                                    TransportResultText(kTransportFailed), path,
                                    TransportResultText(kTransportOk));
        };
    });
}

}  // namespace ostrand::cli
