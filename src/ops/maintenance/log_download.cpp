#include "ops/maintenance/log_download.h"

#include <string_view>

#include "platform/app_state.h"
#include "transport/file_channel.h"

namespace ostrand {

std::filesystem::path WithLogArchiveEnding(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const std::string_view ending(kLogArchiveEnding);
    if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
        return path;
    }
    std::filesystem::path extended = path;
    extended += ending;
    return extended;
}

MaintenanceOutcome DownloadDeviceLog(CommandTarget& target, const std::filesystem::path& path) {
    MaintenanceOutcome outcome;
    outcome.sent = true;
    if (!DownloadDeviceFile(target, path, kLogExportType)) {
        outcome.result = kTransportFailed;
        outcome.Show(Tr("下载失败", "DownLoad Fail"));
        return outcome;
    }
    outcome.succeeded = true;
    outcome.Show(Tr("下载成功", "DownLoad Succ"));
    return outcome;
}

}  // namespace ostrand
