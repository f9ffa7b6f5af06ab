#pragma once
// Changing a device's password ("ModifyPasswd", 5004 on port 60005). The one
// command whose reply signals success with "result" "OK".

#include <string>

#include "ops/maintenance/maintenance_outcome.h"
#include "ops/maintenance/password_rules.h"
#include "transport/form_channel.h"

namespace ostrand {

// The three passwords as typed (GBK); each is sent in `mode`'s form. A new
// and repeated password that differ (after that conversion) are refused
// without sending.
MaintenanceOutcome ChangePassword(CommandTarget& target, PasswordMode mode, const std::string& oldPassword,
                                  const std::string& newPassword, const std::string& repeatedPassword);

}  // namespace ostrand
