#include "ops/maintenance/ntp_servers.h"

#include "platform/message_sink.h"

namespace ostrand {

std::string NtpServerKey(int entry) { return "NtpServer" + std::to_string(entry); }
std::string NtpPortKey(int entry) { return "NtpPort" + std::to_string(entry); }

NtpEntry NtpEntryOf(const ParamMap& table, int entry) {
    const auto value = [&table](const std::string& key) {
        const auto it = table.find(key);
        return it == table.end() ? std::string() : it->second;
    };
    return {value(NtpServerKey(entry)), value(NtpPortKey(entry))};
}

void StoreNtpEntry(ParamMap& table, int entry, const NtpEntry& values) {
    table[NtpServerKey(entry)] = values.server;
    table[NtpPortKey(entry)] = values.port;
}

bool LoadNtpTable(DeviceEndpoint& endpoint, ParamMap& table) {
    ParamMap reply;
    const bool ok = SendXmlCommand(endpoint, ParamMap{}, reply, kNtpLoadCode);
    table = ok ? std::move(reply) : ParamMap{};
    return ok;
}

bool SaveNtpTable(DeviceEndpoint& endpoint, const ParamMap& table) {
    ParamMap reply;
    const bool ok = SendXmlCommand(endpoint, table, reply, kNtpSaveCode) && reply["result"] == "10000";
    ShowMessage(ok ? "设置成功" : "设置失败");
    return ok;
}

}  // namespace ostrand
