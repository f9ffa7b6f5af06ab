#pragma once
// The checks a main-window command runs on the selected row before its
// operation starts. Each gate shows its own message when it stops a command.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "devices/device_list.h"
#include "transport/form_channel.h"

namespace ostrand {

// A command that works on one device, with `selectedRows` rows selected:
// more than one gives "请只选择一台设备" / "Please select only one device".
bool SingleDeviceGate(std::size_t selectedRows);

// K: column 1 must be "是(考勤机)" or "是(拍照IPC)"; otherwise "不支持该功能!".
bool AttendKindGate(const DeviceRow& row);
// P80: the command port must be 80; otherwise "该设备不支持该功能" / "no support".
bool VideoPortGate(const DeviceRow& row);
// M: the MAC column must not be empty; otherwise "MAC地址为空，无法操作".
bool MacGate(const DeviceRow& row);

enum class KernelState { Free, Busy };

// U: asks the device whether a kernel upgrade is running
// ("getUpdateKernelStatus"). A device that cannot be reached or does not
// answer (also a device with command port 0) counts as busy, without a
// message; any other failure is busy with the log line
// "GetInitParam Unknow Exception occur!::%d"; a reply without "updateStatus", or with "1", is busy with
// the message "IPC设备内核升级中,请等升级完成后在进行操作" / "Updating, Please waiting...".
// The target is pointed at ip/port first. `queryResult`, when given, receives
// the query's transport result (kTransportOk when the device answered).
KernelState KernelUpgradeGate(CommandTarget& target, std::string_view ip, std::int32_t port,
                              TransportResult* queryResult = nullptr);

// The decision of the gate on a reply already received (true = busy); shows
// the busy message when the reply says an upgrade is running.
KernelState KernelStateFromReply(ParamMap& reply);

}  // namespace ostrand
