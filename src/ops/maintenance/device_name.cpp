#include "ops/maintenance/device_name.h"

#include "ops/maintenance/device_name_rules.h"
#include "platform/app_state.h"

namespace ostrand {

MaintenanceOutcome RenameDevice(CommandTarget& target, const std::string& newNameGbk) {
    MaintenanceOutcome outcome;
    if (auto problem = DeviceNameProblem(newNameGbk)) {
        outcome.result = kTransportBadParameter;
        outcome.Show(std::move(*problem));
        return outcome;
    }
    ParamMap request{{"newDevMaskMessage", newNameGbk}};
    outcome.sent = true;
    if (!PostFormCommand(target, "modifyDevDevMaskMessage", request, outcome.reply)) {
        outcome.result = kTransportFailed;
        outcome.Show(Tr("更新失败", "Update Fail"));
        return outcome;
    }
    if (auto refusal = DeviceRefusal(outcome.reply)) {
        outcome.result = kTransportFailed;
        outcome.Show(WithDeviceReason(Tr("更新失败", "Update Fail"), *refusal));
        return outcome;
    }
    outcome.succeeded = true;
    outcome.Show(Tr("更新成功", "Update Succ"));
    return outcome;
}

}  // namespace ostrand
