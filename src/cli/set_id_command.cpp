// ostrand-cli set-id DEVICE NUMBER MODEL
// A device number names one device, so the run names exactly one (--ip and
// --port, or one --target / one row of --targets-from).

#include "cli/commands.h"
#include "cli/device_files.h"
#include "ops/maintenance/device_identity.h"

namespace ostrand::cli {

void AddSetIdCommand(CLI::App& app, CliAction& action) {
    auto number = std::make_shared<std::string>();
    auto model = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "set-id",
        "set one device's number (6, 8 or 11 bytes) and product model (1..30 bytes): model first, then number");
    command->add_option("NUMBER", *number, "the new device number (UTF-8)")->required();
    command->add_option("MODEL", *model, "the new product model (UTF-8)")->required();
    DeviceCommand(
        *command, action, ChangesDevice(),
        [number, model](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
            if (devices.targets.size() > 1) {
                throw UsageError("set-id gives every device it names the same NUMBER, and a device number names "
                                 "one device: name one device (" +
                                 std::to_string(devices.targets.size()) + " given)");
            }
            return [gbkNumber = GbkArgument(*number, "device number"),
                    gbkModel = GbkArgument(*model, "product model")](const FleetTarget& device) {
                CommandTarget target(device.ip, device.port);
                return ReportOf(SetDeviceIdAndModel(target, gbkNumber, gbkModel));
            };
        });
}

}  // namespace ostrand::cli
