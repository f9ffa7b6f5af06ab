// ostrand-cli export DEVICES --type N FILE
// In the fleet form each device's file is FILE with "_<ip>_<port>" before its extension.

#include "cli/commands.h"
#include "cli/device_run.h"
#include "cli/device_files.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddExportCommand(CLI::App& app, CliAction& action) {
    AddTypedFileCommand(app, action, "export",
                        "stream a device file over the TCP export protocol (2 log, 4 users, 5 records)",
                        "export type",
                        [](const FleetTarget& device, const std::filesystem::path& path, std::uint8_t type) {
                            DeviceEndpoint endpoint = EndpointOf(device);
                            return ExportFileTcp(endpoint, path, type);
                        });
}

}  // namespace ostrand::cli
