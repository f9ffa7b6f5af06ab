// ostrand-cli download DEVICES --type N FILE
// In the fleet form each device's file is FILE with "_<ip>_<port>" before its extension.

#include "cli/commands.h"
#include "cli/device_files.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddDownloadCommand(CLI::App& app, CliAction& action) {
    AddTypedFileCommand(app, action, "download",
                        "download a device file (HTTP log archive, or the TCP export on port 60005)",
                        "export type used on port 60005",
                        [](const FleetTarget& device, const std::filesystem::path& path, std::uint8_t type) {
                            CommandTarget target(device.ip, device.port);
                            return DownloadDeviceFile(target, path, type);
                        });
}

}  // namespace ostrand::cli
