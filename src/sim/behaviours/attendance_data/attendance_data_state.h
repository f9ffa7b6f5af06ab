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
    AttendanceDataSpec spec;
    bool armed = false;         // the export refusal of a failing file is in force
    int savedExportStatus = 0;  // the export fault it replaced
};

// Changes the device's data under its lock, then serves the files anew.
void ChangeAttendanceData(Device& device, const std::function<void(AttendanceDataSpec&)>& change);

// The current spec (the starting state on first use).
AttendanceDataSpec CurrentAttendanceData(Device& device);

}  // namespace ostrand::sim
