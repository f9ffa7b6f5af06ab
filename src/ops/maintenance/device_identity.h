#pragma once
// Setting a device's number and product model: the model first
// ("modifyProductModel", 5006 on port 60005), then the number
// ("modifyDeviceNumber", 5005); a refused model keeps the number unsent.

#include <string>

#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand {

// `numberAsTyped` is trimmed of tabs and line feeds; `model` is taken as is
// (both GBK). Succeeds only when the device accepted both.
MaintenanceOutcome SetDeviceIdAndModel(CommandTarget& target, const std::string& numberAsTyped,
                                       const std::string& model);

}  // namespace ostrand
