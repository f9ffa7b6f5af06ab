#include "ops/attendance_data/data_download.h"

#include <system_error>

#include "ops/attendance_data/time_stamp_cache.h"
#include "ops/attendance_data/user_file.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "transport/file_channel.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

// MAC checks before anything is asked or created; true when it may be used.
bool MacUsable(std::string_view mac) {
    if (mac.empty()) {
        ShowMessage("MAC地址为空，无法操作");
        return false;
    }
    if (!IsDeviceMacText(mac)) {
        ShowMessage(kBadMacText);
        return false;
    }
    return true;
}

void MakeDeviceFolder(std::string_view mac, const AttendanceDataPlaces& places) {
    if (auto folder = places.DeviceFolder(mac)) MakeDirectoryPath(folder->string());  // errors show later
}

}  // namespace

bool FetchDataFile(DeviceEndpoint device, std::string_view mac, std::uint8_t exportType,
                   const AttendanceDataPlaces& places) {
    std::optional<fs::path> target;
    if (exportType == kUserFileExportType) target = places.DataFilePath(mac, DataFile::Users);
    else if (exportType == kRecordFileExportType) target = places.DataFilePath(mac, DataFile::Records);
    if (!target) return false;

    fs::path partial = *target;
    partial += ".download";
    if (!ExportFileTcp(device, partial, exportType)) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return false;
    }
    std::error_code error;
    fs::rename(partial, *target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

std::optional<std::vector<UserFileRecord>> OpenAttendanceData(const AttendanceDevice& device,
                                                              const AttendanceDataPlaces& places,
                                                              const DownloadRunner& runner) {
    if (!MacUsable(device.mac)) return std::nullopt;
    const std::int32_t stamp = QueryFileTimeStamp(device.endpoint, kUserFileStampType);
    MakeDeviceFolder(device.mac, places);
    if (NeedsDownload(DataFile::Users, device.mac, stamp, places)) {
        bool ok = false;
        const auto download = [&] { ok = FetchDataFile(device.endpoint, device.mac, kUserFileExportType, places); };
        if (runner) runner(download);
        else download();
        if (!ok) {
            ShowMessage("下载用户信息文件失败!");
            return std::nullopt;
        }
        RememberTimeStamp(DataFile::Users, device.mac, stamp, places);
    }
    std::vector<UserFileRecord> users;
    if (!ReadUserFile(device.mac, users, places)) {
        ShowMessage("读取用户信息文件异常!");
        return std::nullopt;
    }
    if (users.empty()) {
        ShowMessage("当前用户信息为空!");
        return std::nullopt;
    }
    return users;
}

bool FetchAttendFile(const AttendanceDevice& device, const AttendanceDataPlaces& places,
                     const DownloadRunner& runner) {
    if (!MacUsable(device.mac)) return false;
    const std::int32_t stamp = QueryFileTimeStamp(device.endpoint, kRecordFileStampType);
    MakeDeviceFolder(device.mac, places);
    if (!NeedsDownload(DataFile::Records, device.mac, stamp, places)) return true;
    bool ok = false;
    const auto download = [&] {
        ok = FetchDataFile(device.endpoint, device.mac, kRecordFileExportType, places);
    };
    if (runner) runner(download);
    else download();
    if (!ok) {
        ShowMessage("下载打卡记录文件失败!");
        return false;
    }
    RememberTimeStamp(DataFile::Records, device.mac, stamp, places);
    return true;
}

}  // namespace ostrand
