// The device side of the maintenance commands: a rename, a new number or
// model shows in the next get and in the next scan reply; the password is
// checked and kept; a reboot and a clock setting are remembered.

#include "sim/behaviours/maintenance/maintenance_state.h"
#include "sim/command_behaviours.h"

#include <charconv>
#include <stdexcept>

#include "devices/device_record.h"
#include "platform/code_page.h"

namespace ostrand::sim {
namespace {

constexpr const char* kRefusedResult = "10001";

ParamMap Refusal(std::string errmsg) { return ParamMap{{"result", kRefusedResult}, {"errmsg", std::move(errmsg)}}; }

std::string Value(const ParamMap& request, const char* key) {
    const auto found = request.find(key);
    return found == request.end() ? std::string() : found->second;
}

// The fleet file's refusal of `command`, if it has one.
std::optional<ParamMap> ConfiguredRefusal(Device& device, const std::string& command) {
    return WithMaintenanceState(device, [&](MaintenanceState& state) -> std::optional<ParamMap> {
        const auto found = state.refusals.find(command);
        if (found == state.refusals.end()) return std::nullopt;
        return Refusal(found->second);
    });
}

// Wraps a behaviour with the fleet file's refusal of its command. A
// malformed starting state is answered as a refusal naming the fault rather
// than ending the simulator's thread.
CommandBehaviour Refusable(std::string command, CommandBehaviour behaviour) {
    return [command = std::move(command), behaviour = std::move(behaviour)](Device& device, const ParamMap& request) {
        try {
            if (auto refusal = ConfiguredRefusal(device, command)) return *refusal;
            return behaviour(device, request);
        } catch (const std::invalid_argument& error) {
            return Refusal(error.what());
        }
    };
}

// Changes one text of the record, refusing a text its field cannot hold.
template <std::size_t N>
bool FitsField(const TextField<N>&, const std::string& text) {
    return text.size() < N;
}

ParamMap Rename(Device& device, const ParamMap& request) {
    const std::string name = Value(request, "newDevMaskMessage");
    DeviceRecord record = device.Record();
    // The record carries the name in GBK for TCP devices, in UTF-8 otherwise.
    const std::string recorded = device.SpeaksTcpChannel() ? name : GbkToUtf8Lossy(name);
    if (name.empty() || !FitsField(record.deviceName, recorded)) return Refusal("bad device name");
    SetFieldText(record.deviceName, recorded);
    device.SetRecord(record);
    device.SetSetting("devname", name);
    return {};
}

ParamMap NewNumber(Device& device, const ParamMap& request) {
    const std::string number = Value(request, "newDeviceNumber");
    DeviceRecord record = device.Record();
    if (number.empty() || !FitsField(record.deviceNumber, number)) return Refusal("bad device number");
    SetFieldText(record.deviceNumber, number);
    device.SetRecord(record);
    device.SetSetting("deviceNumber", number);
    return {};
}

ParamMap NewModel(Device& device, const ParamMap& request) {
    const std::string model = Value(request, "productver");
    DeviceRecord record = device.Record();
    if (model.empty() || !FitsField(record.productModel, model)) return Refusal("bad product model");
    SetFieldText(record.productModel, model);
    device.SetRecord(record);
    device.SetSetting("productModel", model);
    return {};
}

ParamMap NewPassword(Device& device, const ParamMap& request) {
    const std::string oldPassword = Value(request, "oldpasswd");
    const std::string newPassword = Value(request, "newpasswd");
    if (newPassword != Value(request, "repeatpasswd")) return Refusal("passwords differ");
    return WithMaintenanceState(device, [&](MaintenanceState& state) {
        if (state.password && *state.password != oldPassword) return Refusal("old password wrong");
        state.password = newPassword;
        return ParamMap{{"result", "OK"}};
    });
}

ParamMap Restart(Device& device, const ParamMap&) {
    const int reboots = WithMaintenanceState(device, [](MaintenanceState& state) { return ++state.reboots; });
    device.SetSetting("rebootCount", std::to_string(reboots));
    return {};
}

// The six clock fields, each a number inside its range.
ParamMap SetDate(Device& device, const ParamMap& request) {
    struct Field {
        const char* key;
        int low;
        int high;
    };
    static constexpr Field kFields[] = {{"year", 1970, 2099}, {"mon", 1, 12},  {"day", 1, 31},
                                        {"hour", 0, 23},      {"min", 0, 59}, {"sec", 0, 60}};
    ParamMap stored;
    for (const Field& field : kFields) {
        const std::string text = Value(request, field.key);
        int value = -1;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < field.low ||
            value > field.high) {
            return Refusal(std::string("bad ") + field.key);
        }
        stored[field.key] = text;
    }
    device.MergeSettings(stored);
    return {};
}

}  // namespace

void AddMaintenanceBehaviours(CommandBehaviours& table) {
    const std::pair<const char*, CommandBehaviour> behaviours[] = {
        {"modifyDevDevMaskMessage", Rename}, {"modifyDeviceNumber", NewNumber},
        {"modifyProductModel", NewModel},    {"ModifyPasswd", NewPassword},
        {"httpRestart", Restart},            {"setDate", SetDate},
    };
    for (const auto& [name, behaviour] : behaviours) table.AddName(name, Refusable(name, behaviour));
}

}  // namespace ostrand::sim
