#pragma once
// The device's table of five NTP servers, read with 5027 and written back
// whole with 5026 on the framed TCP channel. The table keeps every key the
// device sent, so a save returns what it was not asked to change.

#include <string>
#include <utility>

#include "transport/command_code.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kNtpLoadCode = 5027;
inline constexpr CommandCode kNtpSaveCode = 5026;
inline constexpr int kNtpEntryCount = 5;

std::string NtpServerKey(int entry);  // "NtpServer%d"
std::string NtpPortKey(int entry);    // "NtpPort%d"

struct NtpEntry {
    std::string server;  // GBK
    std::string port;
    friend bool operator==(const NtpEntry&, const NtpEntry&) = default;
};

// The entry's values; empty texts where the table has none.
NtpEntry NtpEntryOf(const ParamMap& table, int entry);
// Stores both values of one entry; nothing is sent.
void StoreNtpEntry(ParamMap& table, int entry, const NtpEntry& values);

// Replaces `table` with the device's reply (empty after a failed exchange,
// whose failure the channel has shown). True when the exchange succeeded.
bool LoadNtpTable(DeviceEndpoint& endpoint, ParamMap& table);

// Sends the whole table and shows "设置成功" or "设置失败".
bool SaveNtpTable(DeviceEndpoint& endpoint, const ParamMap& table);

}  // namespace ostrand
