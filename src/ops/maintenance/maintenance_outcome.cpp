#include "ops/maintenance/maintenance_outcome.h"

#include "platform/code_page.h"

namespace ostrand {

void MaintenanceOutcome::Show(std::string message) {
    text = message;
    messages.push_back(std::move(message));
}

std::optional<std::string> DeviceRefusal(const ParamMap& reply) {
    const auto result = reply.find("result");
    if (result != reply.end() && result->second == "10000") return std::nullopt;
    const auto reason = reply.find("errmsg");
    return reason == reply.end() ? std::string() : GbkToUtf8Lossy(reason->second);
}

std::string WithDeviceReason(const char* failureText, const std::string& reason) {
    return reason.empty() ? std::string(failureText) : std::string(failureText) + "\n" + reason;
}

}  // namespace ostrand
