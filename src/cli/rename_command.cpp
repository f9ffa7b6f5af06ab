// ostrand-cli rename --ip IP --port PORT | --target IP:PORT ... NEW_NAME

#include "cli/commands.h"
#include "cli/maintenance_cli.h"
#include "ops/maintenance/device_name.h"

namespace ostrand::cli {

void AddRenameCommand(CLI::App& app, CliAction& action) {
    struct Options {
        DeviceOptions device;
        std::string name;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "rename", "change device names (modifyDevDevMaskMessage; 1..30 bytes in GBK, none of , < > ? * | \\ / :)");
    AddDeviceOptions(*command, options->device, true);
    command->add_option("NEW_NAME", options->name, "the new name (UTF-8)")->required();
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, options->device);
        action = [options](const CliSettings& settings) {
            const auto name = DeviceText(options->name, "new name");
            if (!name) return RefuseInput(settings, "新设备名含有GBK无法表示的字符，未发送");
            return RunMaintenance(settings, options->device,
                                  [&](CommandTarget& target) { return RenameDevice(target, *name); });
        };
    });
}

}  // namespace ostrand::cli
