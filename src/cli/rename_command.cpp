// ostrand-cli rename DEVICES NEW_NAME

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/device_name.h"

namespace ostrand::cli {

void AddRenameCommand(CLI::App& app, CliAction& action) {
    auto name = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "rename", "change device names (modifyDevDevMaskMessage; 1..30 bytes in GBK, none of , < > ? * | \\ / :)");
    command->add_option("NEW_NAME", *name, "the new name (UTF-8)")->required();
    DeviceCommand(*command, action, ChangesDevice(), [name](const CliSettings&) -> DeviceJob {
        return [gbkName = GbkArgument(*name, "new name")](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            return ReportOf(RenameDevice(target, gbkName));
        };
    });
}

}  // namespace ostrand::cli
