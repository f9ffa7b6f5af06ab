#pragma once
// The LAN scan exchange on the wire: the 8-byte request every device answers,
// the checks a reply passes before it enters the device table, and the reply
// wait derived from the "ScanTimeOut" setting.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

#include "devices/device_record.h"
#include "devices/device_table.h"

namespace ostrand {

// "pc scan" and its terminating zero.
inline constexpr std::array<std::uint8_t, 8> kScanRequest = {'p', 'c', ' ', 's', 'c', 'a', 'n', 0};

inline constexpr std::size_t kScanReplyMinLength = 12;
inline constexpr std::size_t kScanReplyMaxLength = 504;
inline constexpr std::size_t kScanMacMaxLength = 12;
inline constexpr std::size_t kDatagramBufferSize = 1500;

inline constexpr std::uint16_t kScanLocalPort = 60002;
inline constexpr std::uint16_t kScanDevicePort = 60003;
inline constexpr std::string_view kScanBroadcastAddress = "255.255.255.255";
inline constexpr std::string_view kScanMulticastAddress = "239.255.255.250";

// "ScanTimeOut" in milliseconds: 1 or more is taken as it is, anything else
// gives 500 ms.
std::chrono::microseconds ScanReplyWait(std::int32_t scanTimeOutSetting);

enum class ScanReplyOutcome {
    Appended,
    BadLength,   // below 12 or above 504 bytes
    LongMac,     // mac text longer than 12 characters
    TableFull,
    Duplicate,   // same device number and same mac as a listed device
};

// What the duplicate test compares: the device number and mac texts of the
// records already in the table. Kept beside the table so that thousands of
// replies do not each rescan it.
class ScanDuplicateIndex {
public:
    // Indexes the first `count` records of the table.
    void Rebuild(const DeviceTable& table);
    bool Contains(const DeviceRecord& record) const;
    void Add(const DeviceRecord& record);

private:
    static std::string Key(const DeviceRecord& record);
    std::unordered_set<std::string> keys_;
};

// Applies the default counts and the version form a device that reports no
// prefix is listed with.
void NormaliseScanRecord(DeviceRecord& record);

// Checks one reply datagram and appends it to the table when it is new. The
// mac text of the returned record (or of the dropped reply) is upper-cased;
// `parsed` receives the record as read when the length was acceptable.
ScanReplyOutcome AddScanReply(DeviceTable& table, ScanDuplicateIndex& index,
                              std::span<const std::uint8_t> datagram, DeviceRecord* parsed = nullptr);

}  // namespace ostrand
