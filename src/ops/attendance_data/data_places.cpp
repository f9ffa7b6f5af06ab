#include "ops/attendance_data/data_places.h"

#include "platform/device_folder.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace ostrand {

bool IsDeviceMacText(std::string_view mac) { return DeviceFolderName(mac).has_value(); }

AttendanceDataPlaces AttendanceDataPlaces::Default() {
    // A folder named in the settings file, else the program's own place for data.
    const std::string chosen = ReadIniString(kDataFolderKey, std::nullopt);
    if (!chosen.empty()) return AttendanceDataPlaces{std::filesystem::path(chosen)};
    return AttendanceDataPlaces{std::filesystem::path(ProgramFileFolders().data)};
}

std::optional<std::filesystem::path> AttendanceDataPlaces::DeviceFolder(std::string_view mac) const {
    if (!IsDeviceMacText(mac)) return std::nullopt;
    return root / std::string(mac);
}

std::optional<std::filesystem::path> AttendanceDataPlaces::DataFilePath(std::string_view mac,
                                                                        DataFile file) const {
    auto folder = DeviceFolder(mac);
    if (!folder) return std::nullopt;
    return *folder / (file == DataFile::Users ? kUserFileName : kRecordFileName);
}

}  // namespace ostrand
