// Command 5023: the time stamp of the user file ("FileType" 0) or the record
// file (1). The files themselves go out through the export channel, which
// serves the device's export types 4 and 5; they are (re)built here whenever
// the data changes, so the export serves exactly what the stamp describes.

#include <cstdlib>
#include <iostream>

#include "sim/behaviours/attendance_data/attendance_data_state.h"
#include "sim/command_behaviours.h"

namespace ostrand::sim {
namespace {

constexpr CommandCode kFileTimeStampCode = 5023;
constexpr int kUserExportType = 4;
constexpr int kRecordExportType = 5;
constexpr int kExportCannotBegin = 3;

void LoadOnce(Device& device, AttendanceDataState& state) {
    if (state.loaded) return;
    state.loaded = true;
    try {
        state.setup = ParseAttendanceDataSetup(device.StartingState("attendance_data"));
    } catch (const std::exception& e) {
        // A fleet file mistake must not end the simulator; the device then
        // serves the fleet's own exports.
        std::cerr << "ostrand-devsim: " << device.AddressText() << ": " << e.what() << "\n";
        state.setup = AttendanceDataSetup{};
    }
    if (state.setup.generate) {
        device.SetExportFile(kUserExportType, MakeUserFile(state.setup));
        device.SetExportFile(kRecordExportType, MakeRecordFile(state.setup));
    }
}

// A failing file makes the next export refuse to begin; the tool always asks
// for the stamp right before it fetches a file.
// Other export faults (from the fleet file or a test) are left as they are.
void ArmExportFault(Device& device, AttendanceDataState& state, bool failing) {
    if (failing == state.armed) return;
    FaultOptions faults = device.Faults();
    if (failing) {
        state.savedExportStatus = faults.exportStatus;
        faults.exportStatus = kExportCannotBegin;
    } else {
        faults.exportStatus = state.savedExportStatus;
    }
    state.armed = failing;
    device.StoreFaults(faults);
}

ParamMap AnswerTimeStamp(Device& device, const ParamMap& request) {
    const auto it = request.find("FileType");
    const int fileType = it == request.end() ? -1 : std::atoi(it->second.c_str());
    ParamMap reply;
    device.WithState<AttendanceDataState>([&](AttendanceDataState& state) {
        LoadOnce(device, state);
        AttendanceDataSetup& setup = state.setup;
        if (fileType != 0 && fileType != 1) {
            reply["result"] = "10001";
            reply["errmsg"] = "unknown FileType";
            return;
        }
        const bool users = fileType == 0;
        std::int32_t& stamp = users ? setup.userStamp : setup.recordStamp;
        reply["TimeStamp"] = std::to_string(stamp);
        stamp += setup.stampStep;
        ArmExportFault(device, state, users ? setup.failUsers : setup.failRecords);
    });
    return reply;
}

}  // namespace

void ChangeAttendanceData(Device& device, const std::function<void(AttendanceDataSetup&)>& change) {
    device.WithState<AttendanceDataState>([&](AttendanceDataState& state) {
        LoadOnce(device, state);
        change(state.setup);
        state.setup.generate = true;
        device.SetExportFile(kUserExportType, MakeUserFile(state.setup));
        device.SetExportFile(kRecordExportType, MakeRecordFile(state.setup));
    });
}

AttendanceDataSetup CurrentAttendanceData(Device& device) {
    return device.WithState<AttendanceDataState>([&](AttendanceDataState& state) {
        LoadOnce(device, state);
        return state.setup;
    });
}

void AddAttendanceDataBehaviours(CommandBehaviours& table) {
    table.AddCode(kFileTimeStampCode, AnswerTimeStamp);
}

}  // namespace ostrand::sim
