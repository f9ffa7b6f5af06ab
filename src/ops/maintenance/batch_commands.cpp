#include "ops/maintenance/batch_commands.h"

#include <functional>
#include <optional>

#include "devices/device_ports.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/reboot.h"
#include "ops/shell/command_gates.h"
#include "platform/app_state.h"

namespace ostrand {
namespace {

// Gate U on the job's own target. nullopt when the device may be operated;
// otherwise the row's result. A busy device has shown its message (it becomes
// the row's text); a query that failed has shown nothing, so the row names it.
std::optional<BatchJobResult> KernelBusy(CommandTarget& target, const BatchDevice& device) {
    TransportResult query = kTransportOk;
    if (KernelUpgradeGate(target, device.ip, device.port, &query) == KernelState::Free) return std::nullopt;
    if (query == kTransportOk) return BatchJobResult{false, {}};
    return BatchJobResult{false, std::string(Tr("内核升级状态查询失败：", "Kernel status query failed: ")) +
                                     TransportResultText(query)};
}

BatchJobResult FromOutcome(const MaintenanceOutcome& outcome) {
    // The operation's own messages (or, when it shows none, the channel's
    // messages collected for the row) make the text.
    return {outcome.succeeded, outcome.messages.empty() ? std::string() : outcome.text};
}

}  // namespace

BatchJobResult RebootInBatch(const BatchDevice& device) {
    CommandTarget target(device.ip, device.port);
    if (auto busy = KernelBusy(target, device)) return *busy;
    return FromOutcome(RebootDevice(target));
}

BatchJobResult SyncPcTimeInBatch(const BatchDevice& device) {
    if (device.port != kVideoCommandPort) return {false, Tr("该设备不支持该功能", "no support")};
    CommandTarget target(device.ip, device.port);
    if (auto busy = KernelBusy(target, device)) return *busy;
    return FromOutcome(SyncPcTime(target));
}

const char* RebootRunningText() { return Tr("正在重启...", "Rebooting..."); }
const char* SyncPcTimeRunningText() { return Tr("正在同步时间...", "Syncing time..."); }

}  // namespace ostrand
