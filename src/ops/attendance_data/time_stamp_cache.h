#pragma once
// The device reports a time stamp for each data file (command 5023); the tool
// remembers, per device, the stamp of the last successful download in
// "Timer.ini" and downloads again only when the device reports another one.

#include <cstdint>
#include <string_view>

#include "ops/attendance_data/attendance_types.h"
#include "ops/attendance_data/data_places.h"
#include "transport/command_code.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kFileTimeStampCode = 5023;

// The "TimeStamp" of the reply to command 5023 {"FileType": fileType}: its
// leading decimal digits with optional sign, 0 when absent, not a number or
// when the command failed (the channel has then shown its message).
std::int32_t QueryFileTimeStamp(DeviceEndpoint device, std::int32_t fileType);

// Whether the file must be fetched before it is read. A user-file stamp below
// 0 and a record-file stamp of 0 or below never ask for a download; otherwise
// a download is needed unless the cache holds exactly this stamp and the local
// copy exists. A MAC that names no device folder never downloads (there is
// nowhere to put it).
bool NeedsDownload(DataFile file, std::string_view mac, std::int32_t timeStamp,
                   const AttendanceDataPlaces& places);

// Writes the stamp after a successful download (nothing for a stamp below 0).
// False when "Timer.ini" cannot be written or the MAC is not a device MAC.
bool RememberTimeStamp(DataFile file, std::string_view mac, std::int32_t timeStamp,
                       const AttendanceDataPlaces& places);

}  // namespace ostrand
