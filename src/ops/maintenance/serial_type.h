#pragma once
// The use of a device's RS-485 port (attendance machine or pan/tilt head),
// read with 5024 and written with 5025 on the framed TCP channel.

#include <string>

#include "transport/command_code.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kSerialTypeLoadCode = 5024;
inline constexpr CommandCode kSerialTypeSaveCode = 5025;
inline constexpr int kSerialTypeAttendance = 0;  // "考勤机"
inline constexpr int kSerialTypePtz = 1;         // "云台"

// The list entry's text (UTF-8): "考勤机" for 0, "云台" for 1.
const char* SerialTypeName(int index);

struct SerialTypeLoad {
    bool exchanged = false;  // false: the channel has shown its failure
    int index = kSerialTypePtz;
};

// Reads the type: entry 0 only when the reply's "setType" is "0", entry 1 in
// every other case, a failed exchange included.
SerialTypeLoad LoadSerialType(DeviceEndpoint& endpoint);

// Writes "setType" = `index` ("-1" when nothing is chosen) and shows
// "设置成功,请重启设备！" or "设置失败". True when the device carried it out.
bool SaveSerialType(DeviceEndpoint& endpoint, int index);

}  // namespace ostrand
