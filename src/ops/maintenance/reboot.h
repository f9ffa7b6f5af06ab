#pragma once
// Restarting a device ("httpRestart", code 5010 on port 60005). The device
// goes down while it answers, so the request is sent without awaiting a reply
// over HTTP; over TCP the channel's exchange must succeed.

#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand {

MaintenanceOutcome RebootDevice(CommandTarget& target);

}  // namespace ostrand
