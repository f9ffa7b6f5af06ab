#pragma once
// Two function switches of a device on the framed TCP channel: the video
// stream (5045, write only) and the debug log (7009 read, 7010 write).

#include "transport/command_code.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kStreamSwitchCode = 5045;
inline constexpr CommandCode kDebugLogReadCode = 7009;
inline constexpr CommandCode kDebugLogWriteCode = 7010;

// A pair of radio buttons "开" / "关", of which none may be chosen yet.
enum class SwitchChoice { None, On, Off };

struct SwitchOutcome {
    bool exchanged = false;  // false: the channel has shown its failure
    bool ok = false;         // the device carried the command out
};

// Sends "streamswitch" = "0" for Off and "1" otherwise, then shows "设置成功!"
// or "设置失败!" (also after a failed exchange).
SwitchOutcome SetStreamSwitch(DeviceEndpoint& endpoint, SwitchChoice choice);

struct DebugLogState {
    SwitchOutcome outcome;
    SwitchChoice choice = SwitchChoice::None;  // None: the reply says nothing
};

// Reads the debug log switch. A refusal shows the device's "errmsg" or
// "获取失败"; a failed exchange shows nothing more.
DebugLogState ReadDebugLog(DeviceEndpoint& endpoint);

// Writes "debuglog" = "1" for On and "0" otherwise. Shows "设置成功", or the
// device's "errmsg", or "设置失败"; a failed exchange shows nothing more.
SwitchOutcome WriteDebugLog(DeviceEndpoint& endpoint, SwitchChoice choice);

}  // namespace ostrand
