#include "discovery/hds_reply.h"

#include <algorithm>

namespace ostrand {
namespace {

template <std::size_t N>
void StoreCut(TextField<N>& field, std::string_view value) {
    // The stored value is the first N bytes; a value that fills the span has
    // no terminator, as the record layout allows.
    field.fill('\0');
    const auto length = std::min(value.size(), N);
    for (std::size_t i = 0; i < length; ++i) field[i] = value[i];
}

}  // namespace

std::string BuildHdsRequest(std::int32_t sequence, std::string_view clientId) {
    std::string request = "SEARCH * HDS/1.0\r\n";
    request += "CSeq:" + std::to_string(sequence) + "\r\nClient-ID:";
    request += clientId;
    request += "\r\nAccept-Type:text/HDP\r\nContent-Length:0\r\n\r\n";
    return request;
}

std::string_view HdsValue(std::string_view reply, std::string_view key) {
    const auto at = reply.find(key);
    if (at == std::string_view::npos) return {};
    const auto start = at + key.size();
    const auto end = reply.find("\r\n", start);
    if (end == std::string_view::npos) return {};
    return reply.substr(start, end - start);
}

std::string HdsMacText(std::string_view reply) {
    std::string mac;
    for (char c : HdsValue(reply, "MAC=")) {
        if (c == ':') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        mac.push_back(c);
    }
    return mac;
}

DeviceRecord ParseHdsReply(std::string_view reply) {
    // The reply is read as a text: it ends at its first zero byte.
    reply = reply.substr(0, reply.find('\0'));
    DeviceRecord record;
    StoreCut(record.mac, HdsMacText(reply));
    StoreCut(record.ip, HdsValue(reply, "IP="));
    StoreCut(record.subnetMask, HdsValue(reply, "MASK="));
    StoreCut(record.gateway, HdsValue(reply, "Gateway="));
    StoreCut(record.version, HdsValue(reply, "Software-Version="));
    return record;
}

void HdsMacIndex::Rebuild(const DeviceTable& table) {
    macs_.clear();
    for (const auto& record : table.Valid()) macs_.insert(FieldText(record.mac));
}

HdsMergeOutcome MergeHdsReply(DeviceTable& table, HdsMacIndex& index, std::string_view reply) {
    if (table.Full()) return HdsMergeOutcome::TableFull;
    const DeviceRecord record = ParseHdsReply(reply);
    // Compare what the table would hold: the first 16 bytes of the mac.
    const std::string mac = FieldText(record.mac);
    if (index.Contains(mac)) return HdsMergeOutcome::KnownMac;
    table.Append(record);
    index.Add(mac);
    return HdsMergeOutcome::Appended;
}

}  // namespace ostrand
