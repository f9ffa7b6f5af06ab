#include "ops/maintenance/clock_sync.h"

#include <ctime>

#include "devices/device_ports.h"
#include "platform/app_state.h"
#include "platform/clock.h"

namespace ostrand {

ParamMap ClockRequest(std::chrono::system_clock::time_point wall) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto field = [&local](const char* format) {
        char text[16] = {};
        const std::size_t length = std::strftime(text, sizeof text, format, &local);
        return std::string(text, length);
    };
    return ParamMap{{"year", field("%Y")}, {"mon", field("%m")}, {"day", field("%d")},
                    {"hour", field("%H")}, {"min", field("%M")}, {"sec", field("%S")}};
}

MaintenanceOutcome SyncPcTime(CommandTarget& target) {
    MaintenanceOutcome outcome;
    if (target.port != kVideoCommandPort) {
        outcome.result = kTransportBadParameter;
        outcome.Show(Tr("该设备不支持该功能", "no support"));
        return outcome;
    }
    ParamMap request = ClockRequest(CurrentClock().WallNow());
    outcome.sent = true;
    if (!PostFormCommand(target, "setDate", request, outcome.reply)) {
        outcome.result = kTransportFailed;
        outcome.Show(Tr("时间更新失败", "Sync Fail"));
        return outcome;
    }
    if (auto refusal = DeviceRefusal(outcome.reply)) {
        outcome.result = kTransportFailed;
        outcome.Show(WithDeviceReason(Tr("时间更新失败", "Sync Fail"), *refusal));
        return outcome;
    }
    outcome.succeeded = true;
    outcome.Show(Tr("时间更新成功", "Sync Succ"));
    return outcome;
}

}  // namespace ostrand
