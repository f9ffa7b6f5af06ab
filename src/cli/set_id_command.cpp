// ostrand-cli set-id --ip IP --port PORT | --target IP:PORT ... NUMBER MODEL

#include "cli/commands.h"
#include "cli/maintenance_cli.h"
#include "ops/maintenance/device_identity.h"

namespace ostrand::cli {

void AddSetIdCommand(CLI::App& app, CliAction& action) {
    struct Options {
        DeviceOptions device;
        std::string number;
        std::string model;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "set-id", "set device number (6, 8 or 11 bytes) and product model (1..30 bytes): model first, then number");
    AddDeviceOptions(*command, options->device, true);
    command->add_option("NUMBER", options->number, "the new device number (UTF-8)")->required();
    command->add_option("MODEL", options->model, "the new product model (UTF-8)")->required();
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, options->device);
        action = [options](const CliSettings& settings) {
            const auto number = DeviceText(options->number, "device number");
            const auto model = DeviceText(options->model, "product model");
            if (!number || !model) return RefuseInput(settings, "设备编号或产品型号含有GBK无法表示的字符，未发送");
            return RunMaintenance(settings, options->device, [&](CommandTarget& target) {
                return SetDeviceIdAndModel(target, *number, *model);
            });
        };
    });
}

}  // namespace ostrand::cli
