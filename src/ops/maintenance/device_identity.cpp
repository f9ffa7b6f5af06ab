#include "ops/maintenance/device_identity.h"

#include "ops/maintenance/device_identity_rules.h"
#include "platform/app_state.h"

namespace ostrand {
namespace {

// One command of the pair; false after its failure text has been added.
bool SendIdentityCommand(CommandTarget& target, const char* name, const char* key,
                         const std::string& value, MaintenanceOutcome& outcome) {
    ParamMap request{{key, value}};
    ParamMap reply;
    const TransportResult result = PostFormCommandCoded(target, name, request, reply);
    outcome.reply = reply;
    if (result != kTransportOk) {
        outcome.result = result;
        outcome.Show(TransportResultText(result));
        return false;
    }
    if (auto refusal = DeviceRefusal(reply)) {
        outcome.result = kTransportFailed;
        outcome.Show(refusal->empty() ? std::string(TransportResultText(kTransportFailed)) : *refusal);
        return false;
    }
    return true;
}

}  // namespace

MaintenanceOutcome SetDeviceIdAndModel(CommandTarget& target, const std::string& numberAsTyped,
                                       const std::string& model) {
    MaintenanceOutcome outcome;
    const std::string number = TrimTabsAndLineFeeds(numberAsTyped);
    auto problem = DeviceNumberProblem(number);
    if (!problem) problem = ProductModelProblem(model);
    if (problem) {
        outcome.result = kTransportBadParameter;
        outcome.Show(std::move(*problem));
        return outcome;
    }
    outcome.sent = true;
    const bool done = SendIdentityCommand(target, "modifyProductModel", "productver", model, outcome) &&
                      SendIdentityCommand(target, "modifyDeviceNumber", "newDeviceNumber", number, outcome);
    if (!done) {
        outcome.Show(Tr("设置失败!", "Set Fail"));
        return outcome;
    }
    outcome.succeeded = true;
    outcome.result = kTransportOk;
    outcome.Show(Tr("设置成功!", "Set Success"));
    return outcome;
}

}  // namespace ostrand
