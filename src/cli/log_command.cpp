// ostrand-cli log DEVICES FILE
// FILE gets ".tar.gz" appended unless it ends with exactly that; in the fleet
// form each device's archive is FILE_<ip>_<port>.tar.gz.

#include "cli/commands.h"
#include "cli/device_files.h"
#include "ops/maintenance/log_download.h"

namespace ostrand::cli {

void AddLogCommand(CLI::App& app, CliAction& action) {
    auto file = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "log", "download a device's log archive (HTTP httpDownLoadFile, or export type 2 on port 60005)");
    command->add_option("FILE", *file,
                        "local file (\".tar.gz\" is appended unless it ends so; one per device: "
                        "FILE_<ip>_<port>.tar.gz)")
        ->required();
    DeviceCommand(
        *command, action, ReadsDevice(), [file](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
            return [file = WithLogArchiveEnding(*file), perDevice = devices.fleet](const FleetTarget& device) {
                const std::filesystem::path path = perDevice ? FileOfDevice(file, device) : file;
                CommandTarget target(device.ip, device.port);
                DeviceReport report = ReportOf(DownloadDeviceLog(target, path));
                if (report.Succeeded()) report.values = FileReport(path).values;
                return report;
            };
        });
}

}  // namespace ostrand::cli
