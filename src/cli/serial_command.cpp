// ostrand-cli serial get --ip IP --port PORT
// ostrand-cli serial set (--ip IP --port PORT | --target IP:PORT ... | --targets-from FILE) TYPE
//
// The use of the RS-485 port: 0 / attendance / 考勤机, or 1 / ptz / 云台
// (codes 5024 / 5025).

#include "cli/commands.h"
#include "cli/net_cli_support.h"
#include "ops/maintenance/serial_type.h"

namespace ostrand::cli {

void AddSerialCommand(CLI::App& app, CliAction& action) {
    struct Options {
        NetDeviceOptions get;
        NetDeviceOptions set;
        std::string type;
    };
    auto options = std::make_shared<Options>();
    CLI::App* group = app.add_subcommand("serial", "the use of the RS-485 port (codes 5024 / 5025)");
    group->require_subcommand(1);

    CLI::App* get = group->add_subcommand(
        "get", "print setType=0 (考勤机) or setType=1 (云台); a device that does not say 0 counts as 1");
    AddNetReadOptions(*get, options->get);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return RunNetRead(options->get, settings, [](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                const SerialTypeLoad load = LoadSerialType(endpoint);
                NetCliOutcome outcome;
                outcome.status = load.exchanged ? 0 : kRefusedExitStatus;
                if (load.exchanged) outcome.values = {{"setType", std::to_string(load.index)},
                                  {"name", *DeviceText(SerialTypeName(load.index), "name")}};
                return outcome;
            });
        };
    });

    CLI::App* set = group->add_subcommand("set", "set the port's use; the device needs a restart afterwards");
    AddNetWriteOptions(*set, options->set);
    set->add_option("TYPE", options->type, "0, attendance or 考勤机; 1, ptz or 云台")
        ->required()
        ->check(CLI::IsMember({"0", "1", "attendance", "ptz", "考勤机", "云台"}));
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const std::string& type = options->type;
            const int index = type == "0" || type == "attendance" || type == "考勤机" ? kSerialTypeAttendance
                                                                                  : kSerialTypePtz;
            return RunNetWrite(options->set, settings, "", [index](const FleetTarget& device) {
                DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(device.port)};
                NetCliOutcome outcome;
                outcome.status = SaveSerialType(endpoint, index) ? 0 : kRefusedExitStatus;
                return outcome;
            });
        };
    });
}

}  // namespace ostrand::cli
