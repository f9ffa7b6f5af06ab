#pragma once
// The record window's order: records grouped by card number in byte order of
// the card text (so "10" comes before "9"), each group latest first.

#include <map>
#include <string>
#include <vector>

#include "ops/attendance_data/attendance_types.h"
#include "transport/param_map.h"

namespace ostrand {

using AttendGroups = std::map<std::string, std::vector<AttendRow>, ByteLess>;

AttendGroups GroupAttendRows(std::vector<AttendRow> rows);

}  // namespace ostrand
