#pragma once
// Renaming a device ("modifyDevDevMaskMessage", code 5002 on port 60005).

#include <string>

#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand {

// Checks the name (GBK) and sends it. Refused names give their message and
// send nothing. The device's reply must carry "result" 10000: a refusal the
// channel delivers is a failure, not a success.
MaintenanceOutcome RenameDevice(CommandTarget& target, const std::string& newNameGbk);

}  // namespace ostrand
