#pragma once
// Devices the user lists by hand in the settings file, for devices the scan
// cannot reach: sections "Dev0" .. "Dev49", each with "IP" and optionally
// "Port" (default 60005), "AttType" (default 1), "Ver" and "DevNo". The first
// section with an empty IP ends the list.

#include <cstdint>
#include <string_view>

#include "devices/device_table.h"

namespace ostrand {

inline constexpr int kMaxManualEntries = 50;

// Replaces the table's content with the entries and returns how many were
// loaded. The IP is also stored as the MAC; texts longer than their field are
// cut. `settingsFile` empty means the program's settings file.
std::int32_t LoadManualEntries(DeviceTable& table, std::string_view settingsFile = {});

}  // namespace ostrand
