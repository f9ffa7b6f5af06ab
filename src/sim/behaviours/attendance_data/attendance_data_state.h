#pragma once
// What a simulated terminal keeps of its attendance data, and how tests change
// it while the simulator runs: new records, a new time stamp, a failing or
// cut download.

#include <functional>

#include "sim/behaviours/attendance_data/attendance_data_files.h"
#include "sim/device.h"

namespace ostrand::sim {

struct AttendanceDataState {
    bool loaded = false;      // the fleet file's starting state has been read
    AttendanceDataSetup setup;
    bool armed = false;         // the export refusal of a failing file is in force
    int savedExportStatus = 0;  // the export fault it replaced
};

// Changes the device's data under its lock, then serves the files anew.
void ChangeAttendanceData(Device& device, const std::function<void(AttendanceDataSetup&)>& change);

// The current setup (the starting state on first use).
AttendanceDataSetup CurrentAttendanceData(Device& device);

}  // namespace ostrand::sim
