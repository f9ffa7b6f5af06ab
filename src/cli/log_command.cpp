// ostrand-cli log --ip IP --port PORT FILE
// FILE gets ".tar.gz" appended unless it ends with exactly that.

#include "cli/commands.h"
#include "cli/maintenance_cli.h"
#include "ops/maintenance/log_download.h"

namespace ostrand::cli {

void AddLogCommand(CLI::App& app, CliAction& action) {
    struct Options {
        DeviceOptions device;
        std::string file;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "log", "download a device's log archive (HTTP httpDownLoadFile, or export type 2 on port 60005)");
    AddDeviceOptions(*command, options->device, false);
    command->add_option("FILE", options->file, "local file (\".tar.gz\" is appended unless it ends so)")
        ->required();
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, options->device);
        action = [options](const CliSettings& settings) {
            const std::filesystem::path path = WithLogArchiveEnding(options->file);
            return RunMaintenance(settings, options->device, [&](CommandTarget& target) {
                MaintenanceOutcome outcome = DownloadDeviceLog(target, path);
                if (outcome.succeeded) outcome.reply["file"] = path.string();
                return outcome;
            });
        };
    });
}

}  // namespace ostrand::cli
