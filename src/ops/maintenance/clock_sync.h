#pragma once
// Setting a camera's clock to the PC's ("setDate"). Only devices on port 80
// have the command.

#include <chrono>

#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand {

// "year" (%Y), "mon", "day", "hour", "min", "sec" (%m %d %H %M %S: two digits,
// 24-hour clock) of `wall` in local time.
ParamMap ClockRequest(std::chrono::system_clock::time_point wall);

// Port other than 80: "no support" without contacting the device. Otherwise
// sends the PC's local time, read from CurrentClock().
MaintenanceOutcome SyncPcTime(CommandTarget& target);

}  // namespace ostrand
