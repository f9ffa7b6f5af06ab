// ostrand-cli export DEVICES --type N FILE
// In the fleet form each device's file is FILE with "_<ip>_<port>" before its extension.

#include "cli/commands.h"
#include "cli/device_files.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddExportCommand(CLI::App& app, CliAction& action) {
    auto type = std::make_shared<int>(0);
    auto file = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "export", "stream a device file over the TCP export protocol (2 log, 4 users, 5 records)");
    command->add_option("--type", *type, "export type")->required()->check(CLI::Range(0, 255));
    command->add_option("FILE", *file, "local file to write (one per device: FILE_<ip>_<port>.ext)")->required();
    DeviceCommand(
        *command, action, ReadsDevice(),
        [type, file](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
            return [type = static_cast<std::uint8_t>(*type), file = std::filesystem::path(*file),
                    perDevice = devices.fleet](const FleetTarget& device) {
                const std::filesystem::path path = perDevice ? FileOfDevice(file, device) : file;
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                // The channel shows why an export failed.
                if (!ExportFileTcp(endpoint, path, type)) return FailedTransfer();
                return FileReport(path);
            };
        });
}

}  // namespace ostrand::cli
