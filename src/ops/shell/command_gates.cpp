#include "ops/shell/command_gates.h"

#include <cerrno>

#include "platform/app_state.h"
#include "platform/log.h"
#include "platform/message_sink.h"

namespace ostrand {
bool SingleDeviceGate(std::size_t selectedRows) {
    if (selectedRows <= 1) return true;
    ShowMessage(Tr("请只选择一台设备", "Please select only one device"));
    return false;
}

bool AttendKindGate(const DeviceRow& row) {
    const std::string& kind = row[kColAttendKind];
    // The row holds the kind texts in GBK, as the list built them.
    if (kind == AttendKindText(1) || kind == AttendKindText(2)) return true;
    ShowMessage("不支持该功能!");
    return false;
}

bool VideoPortGate(const DeviceRow& row) {
    if (CellInt(row[kColCommandPort]) == kVideoCommandPort) return true;
    ShowMessage(Tr("该设备不支持该功能", "no support"));
    return false;
}

bool MacGate(const DeviceRow& row) {
    if (!row[kColMac].empty()) return true;
    ShowMessage("MAC地址为空，无法操作");
    return false;
}

KernelState KernelStateFromReply(ParamMap& reply) {
    if (reply.empty()) return KernelState::Free;
    const std::string& status = reply["updateStatus"];
    if (status.empty() || status == "1") {
        ShowMessage(Tr("IPC设备内核升级中,请等升级完成后在进行操作", "Updating, Please waiting..."));
        return KernelState::Busy;
    }
    return KernelState::Free;
}

KernelState KernelUpgradeGate(CommandTarget& target, std::string_view ip, std::int32_t port,
                              TransportResult* queryResult) {
    // Every failure ends as busy. One the query reports (no connection, no
    // reply, an error status) is silent, as a device that cannot be reached is
    // simply not operated; anything else that interrupts the check is written
    // to the log, whatever its kind.
    try {
        target.Set(std::string(ip), port);
        ParamMap reply;
        const TransportResult result = GetFormCommandCoded(target, "getUpdateKernelStatus", reply);
        if (queryResult != nullptr) *queryResult = result;
        if (result != kTransportOk) return KernelState::Busy;
        return KernelStateFromReply(reply);
    } catch (...) {
        WriteLog(OSTRAND_LOG_MAIN_DLG, __LINE__, "GetInitParam Unknow Exception occur!::%d", errno);
        return KernelState::Busy;
    }
}

}  // namespace ostrand
