#include "discovery/scan_reply.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ostrand {

std::chrono::microseconds ScanReplyWait(std::int32_t scanTimeOutSetting) {
    if (scanTimeOutSetting >= 1) return std::chrono::milliseconds(scanTimeOutSetting);
    return std::chrono::milliseconds(500);
}

std::string ScanDuplicateIndex::Key(const DeviceRecord& record) {
    // Both texts end at their first zero byte; a zero byte separates them, so
    // no pair of texts can produce another pair's key.
    std::string key = FieldText(record.deviceNumber);
    key.push_back('\0');
    key += FieldText(record.mac);
    return key;
}

void ScanDuplicateIndex::Rebuild(const DeviceTable& table) {
    keys_.clear();
    for (const auto& record : table.Valid()) keys_.insert(Key(record));
}

bool ScanDuplicateIndex::Contains(const DeviceRecord& record) const { return keys_.contains(Key(record)); }

void ScanDuplicateIndex::Add(const DeviceRecord& record) { keys_.insert(Key(record)); }

void NormaliseScanRecord(DeviceRecord& record) {
    if (record.videoChannels <= 0) record.videoChannels = 1;
    if (record.extraCount1 <= 0) record.extraCount1 = 1;
    if (record.extraCount2 <= 0) record.extraCount2 = 2;
    const std::string version = FieldText(record.version);
    if (FieldText(record.versionPrefix).empty() && version.find('-') == std::string::npos) {
        char text[sizeof record.version] = {};
        std::snprintf(text, sizeof text, "1.0.0.0-%s", version.c_str());
        SetFieldText(record.version, text);
    }
}

ScanReplyOutcome AddScanReply(DeviceTable& table, ScanDuplicateIndex& index,
                              std::span<const std::uint8_t> datagram, DeviceRecord* parsed) {
    if (datagram.size() < kScanReplyMinLength || datagram.size() > kScanReplyMaxLength)
        return ScanReplyOutcome::BadLength;

    std::array<std::uint8_t, DeviceRecord::kSize> bytes{};
    std::copy_n(datagram.begin(), std::min(datagram.size(), bytes.size()), bytes.begin());
    DeviceRecord record = DeviceRecord::FromBytes(bytes);

    // The mac text is what lies before the first zero byte of the datagram,
    // which may run past the 16-byte field.
    const auto macEnd = std::find(datagram.begin(), datagram.end(), std::uint8_t{0});
    const auto macLength = static_cast<std::size_t>(macEnd - datagram.begin());
    if (macLength > kScanMacMaxLength) {
        if (parsed) *parsed = record;
        return ScanReplyOutcome::LongMac;
    }
    for (std::size_t i = 0; i < macLength; ++i) {
        auto& c = record.mac[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (parsed) *parsed = record;

    if (table.Full()) return ScanReplyOutcome::TableFull;
    if (index.Contains(record)) return ScanReplyOutcome::Duplicate;
    NormaliseScanRecord(record);
    table.Append(record);
    index.Add(record);
    if (parsed) *parsed = record;
    return ScanReplyOutcome::Appended;
}

}  // namespace ostrand
