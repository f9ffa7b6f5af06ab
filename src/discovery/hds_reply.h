#pragma once
// The HDS text search: the request line and headers the tool multicasts, and
// the key=value lines of a reply that become a device record.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "devices/device_record.h"
#include "devices/device_table.h"

namespace ostrand {

inline constexpr std::uint16_t kHdsLocalPort = 8004;
inline constexpr std::uint16_t kHdsDevicePort = 8002;
inline constexpr std::string_view kHdsGroupAddress = "239.255.255.250";
inline constexpr int kHdsMulticastTtl = 10;

// "SEARCH * HDS/1.0\r\nCSeq:<n>\r\nClient-ID:<id>\r\nAccept-Type:text/HDP\r\n..."
std::string BuildHdsRequest(std::int32_t sequence, std::string_view clientId);

// The text after the first occurrence of `key` up to the next "\r\n"; empty
// when the key is absent or its value is not ended by "\r\n".
std::string_view HdsValue(std::string_view reply, std::string_view key);

// "MAC=" value with every ":" removed and ASCII letters upper-cased.
std::string HdsMacText(std::string_view reply);

// The record a reply describes: mac, ip, mask, gateway and version; every
// other byte zero.
DeviceRecord ParseHdsReply(std::string_view reply);

enum class HdsMergeOutcome { Appended, TableFull, KnownMac };

// The mac texts already in the table.
class HdsMacIndex {
public:
    void Rebuild(const DeviceTable& table);
    bool Contains(const std::string& mac) const { return macs_.contains(mac); }
    void Add(const std::string& mac) { macs_.insert(mac); }

private:
    std::unordered_set<std::string> macs_;
};

// Appends the reply's device unless the table is full or already holds its mac.
HdsMergeOutcome MergeHdsReply(DeviceTable& table, HdsMacIndex& index, std::string_view reply);

}  // namespace ostrand
