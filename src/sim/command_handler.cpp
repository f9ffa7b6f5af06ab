#include "sim/command_handler.h"

#include "sim/command_behaviours.h"

#include <array>
#include <charconv>

#include "transport/form_channel.h"
#include "transport/frames.h"

namespace ostrand::sim {

std::string CommandNameForCode(CommandCode code) {
    // The names with a TCP code; their codes come from the tool's own table.
    static constexpr std::array<std::string_view, 12> kNames = {
        "getnetparam",        "setnetparam",         "modifyDevDevMaskMessage",
        "CheckPasswd",        "ModifyPasswd",        "modifyDeviceNumber",
        "modifyProductModel", "setRebootParm",       "getRebootParm",
        "getUpdateKernelStatus", "httpRestart",      "checkallversion",
    };
    if (code == 0) return {};
    for (std::string_view name : kNames) {
        if (CommandCodeForName(name) == code) return std::string(name);
    }
    return {};
}

namespace {

bool IsRead(const ParamMap& request) {
    for (const auto& [key, value] : request) {
        if (key == "result" || key == kFixedFormKey) continue;
        return false;
    }
    return true;
}

std::uint64_t ToNumber(const std::string& text) {
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

ParamMap HandleCommand(Device& device, std::string_view name, CommandCode code,
                       const ParamMap& request) {
    device.CountCommand();
    const FaultOptions faults = device.Faults();
    ParamMap reply;
    if (faults.resultCode != "10000") {
        reply["result"] = faults.resultCode;
        if (!faults.errorText.empty()) reply["errmsg"] = faults.errorText;
        return reply;
    }

    std::string commandName(name);
    if (commandName.empty()) commandName = CommandNameForCode(code);

    if (code == kUploadHeaderCode) {
        Device::PendingUpload upload;
        const auto find = [&](const char* key) {
            const auto it = request.find(key);
            return it == request.end() ? std::string() : it->second;
        };
        upload.updateType = find("updatetype");
        upload.fileSize = ToNumber(find("filesize"));
        upload.totalPackets = ToNumber(find("totalpacket"));
        if (upload.fileSize == 0 || upload.totalPackets != UploadPacketCount(upload.fileSize)) {
            reply["result"] = "10001";
            reply["errmsg"] = "bad upload header";
            return reply;
        }
        device.SetPendingUpload(std::move(upload));
    } else if (const CommandBehaviour* behaviour = AllCommandBehaviours().Find(commandName, code)) {
        reply = (*behaviour)(device, request);
    } else if (IsRead(request)) {
        reply = device.Settings();
        reply.erase("result");
    } else {
        ParamMap stored;
        for (const auto& [key, value] : request) {
            if (key != "result" && key != kFixedFormKey) stored[key] = value;
        }
        device.MergeSettings(stored);
    }

    // The fleet file's extra entries come last, so they can also turn a
    // command into a refusal ("result", "errmsg").
    if (!reply.contains("result")) reply["result"] = "10000";
    if (!commandName.empty()) {
        if (auto extra = device.ExtraReply(commandName)) {
            for (const auto& [key, value] : *extra) reply[key] = value;
        }
    }
    if (code != 0) {
        if (auto extra = device.ExtraReply(std::to_string(code))) {
            for (const auto& [key, value] : *extra) reply[key] = value;
        }
    }
    return reply;
}

}  // namespace ostrand::sim
