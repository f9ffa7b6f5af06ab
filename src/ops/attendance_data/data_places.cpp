#include "ops/attendance_data/data_places.h"

#include "platform/device_folder.h"
#include "platform/paths.h"

namespace ostrand {

bool IsDeviceMacText(std::string_view mac) { return DeviceFolderName(mac).has_value(); }

AttendanceDataPlaces AttendanceDataPlaces::Default() {
    return AttendanceDataPlaces{std::filesystem::path(ProgramDirectory())};
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
