#pragma once
// The command ports that decide how the tool talks to a device.

#include <cstdint>

namespace ostrand {

// Commands go over the framed TCP channel only.
inline constexpr std::int32_t kTcpCommandPort = 60005;
// HTTP form commands, and the device offers the video preview.
inline constexpr std::int32_t kVideoCommandPort = 80;

}  // namespace ostrand
