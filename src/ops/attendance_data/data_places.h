#pragma once
// Where the attendance data of a device lives on disk: a folder per device
// named by its MAC, holding "userinfo" and "attendinfo", and beside them the
// download cache "Timer.ini". The data folder is the settings' "DataFolder"
// when set, else the program's folder (a portable copy) or the XDG data folder
// (an installed copy, platform/paths.h).
//
// The MAC comes from the device's own scan reply, so it is checked before it
// names anything: only twelve hexadecimal digits make a folder name. A MAC
// such as "../../../tmp" never becomes a path.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "ops/attendance_data/attendance_types.h"

namespace ostrand {

// Exactly twelve characters 0-9, A-F or a-f.
bool IsDeviceMacText(std::string_view mac);

// Settings key (section "common") naming the data folder; read, never written back.
inline constexpr std::string_view kDataFolderKey = "DataFolder";

struct AttendanceDataPlaces {
    // The data folder unless a test or the command line points elsewhere.
    std::filesystem::path root;

    static AttendanceDataPlaces Default();

    std::filesystem::path TimerIni() const { return root / "Timer.ini"; }
    // nullopt when the MAC is not twelve hexadecimal digits.
    std::optional<std::filesystem::path> DeviceFolder(std::string_view mac) const;
    std::optional<std::filesystem::path> DataFilePath(std::string_view mac, DataFile file) const;
};

}  // namespace ostrand
