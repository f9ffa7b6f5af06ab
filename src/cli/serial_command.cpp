// ostrand-cli serial get DEVICES
// ostrand-cli serial set DEVICES TYPE
//
// The use of the RS-485 port: 0 / attendance / 考勤机, or 1 / ptz / 云台
// (codes 5024 / 5025).

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/serial_type.h"

namespace ostrand::cli {

void AddSerialCommand(CLI::App& app, CliAction& action) {
    auto type = std::make_shared<std::string>();
    CLI::App* group = app.add_subcommand("serial", "the use of the RS-485 port (codes 5024 / 5025)");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand(
        "get", "print setType=0 (考勤机) or setType=1 (云台); a device that does not say 0 counts as 1");
    DeviceCommand(*get, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            const SerialTypeLoad load = LoadSerialType(endpoint);
            DeviceReport report;
            report.status = load.exchanged ? 0 : kFailedExitStatus;
            if (load.exchanged) {
                report.values = {{"setType", std::to_string(load.index)}, {"name", SerialTypeName(load.index)}};
            }
            return report;
        };
    });

    CLI::App* set = group->add_subcommand("set", "set the port's use; the device needs a restart afterwards");
    set->add_option("TYPE", *type, "0, attendance or 考勤机; 1, ptz or 云台")
        ->required()
        ->check(CLI::IsMember({"0", "1", "attendance", "ptz", "考勤机", "云台"}));
    DeviceCommand(*set, action, ChangesDevice(), [type](const CliSettings&) -> DeviceJob {
        const int index =
            *type == "0" || *type == "attendance" || *type == "考勤机" ? kSerialTypeAttendance : kSerialTypePtz;
        return [index](const FleetTarget& device) {
            DeviceEndpoint endpoint = EndpointOf(device);
            DeviceReport report;
            report.status = SaveSerialType(endpoint, index) ? 0 : kFailedExitStatus;
            return report;
        };
    });
}

}  // namespace ostrand::cli
