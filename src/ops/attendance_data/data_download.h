#pragma once
// The download side of the attendance data: fetching a data file into the
// device's folder when its time stamp changed, and the two sequences that
// use it, opening the user list and fetching the records of a query.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ops/attendance_data/attendance_types.h"
#include "ops/attendance_data/data_places.h"
#include "transport/tcp_channel.h"

namespace ostrand {

// The device as the selected row gives it.
struct AttendanceDevice {
    DeviceEndpoint endpoint;
    std::string mac;  // GBK text of the MAC column
};

// Runs a download, e.g. under the progress window; the default runs it here.
using DownloadRunner = std::function<void(const std::function<void()>& download)>;

// Shown for a MAC that is not twelve hexadecimal digits.
inline constexpr const char* kBadMacText = "MAC地址无效，无法操作";

// Export type 4 fetches "userinfo", 5 "attendinfo" into the device's folder;
// any other type, or a MAC that is not a device MAC, is false without a
// contact. The file is received under a temporary name and replaces the copy
// only when complete, so a failed download keeps the previous copy. The export
// channel shows its own failure messages.
bool FetchDataFile(DeviceEndpoint device, std::string_view mac, std::uint8_t exportType,
                   const AttendanceDataPlaces& places);

// The user list behind "考勤信息管理": checks the MAC, asks for the user file's
// time stamp, downloads when it changed and parses the local copy. nullopt
// after the message that ended it; a list with at least one user otherwise.
// The download itself runs through `runner` when given (the window's progress
// window, as for the record file).
std::optional<std::vector<UserFileRecord>> OpenAttendanceData(const AttendanceDevice& device,
                                                              const AttendanceDataPlaces& places,
                                                              const DownloadRunner& runner = {});

// The first step of a record query: downloads the record file (through
// `runner`) when its time stamp changed. False after "下载打卡记录文件失败!".
bool FetchAttendFile(const AttendanceDevice& device, const AttendanceDataPlaces& places,
                     const DownloadRunner& runner = {});

}  // namespace ostrand
