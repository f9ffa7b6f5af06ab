#include "ops/maintenance/password.h"

#include "platform/app_state.h"

namespace ostrand {

MaintenanceOutcome ChangePassword(CommandTarget& target, PasswordMode mode, const std::string& oldPassword,
                                  const std::string& newPassword, const std::string& repeatedPassword) {
    MaintenanceOutcome outcome;
    ParamMap request{{"oldpasswd", PasswordAsSent(oldPassword, mode)},
                     {"newpasswd", PasswordAsSent(newPassword, mode)},
                     {"repeatpasswd", PasswordAsSent(repeatedPassword, mode)}};
    if (request["newpasswd"] != request["repeatpasswd"]) {
        outcome.result = kTransportBadParameter;
        outcome.Show(Tr("两次新密码必须一致", "The retyped password must match the password you typed above it"));
        return outcome;
    }
    outcome.sent = true;
    if (!PostFormCommand(target, "ModifyPasswd", request, outcome.reply)) {
        // The channel has shown why; nothing more is shown.
        outcome.result = kTransportFailed;
        outcome.text = TransportResultText(kTransportFailed);
        return outcome;
    }
    const auto result = outcome.reply.find("result");
    if (result == outcome.reply.end() || result->second != "OK") {
        outcome.result = kTransportFailed;
        outcome.Show(Tr("更新失败", "Update Fail"));
        return outcome;
    }
    outcome.succeeded = true;
    outcome.Show(Tr("更新成功", "Update Succ"));
    return outcome;
}

}  // namespace ostrand
