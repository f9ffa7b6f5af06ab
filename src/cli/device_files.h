#pragma once
// What the subcommands that move a whole file share (export, download, log,
// upload, camera snapshot): the local file of each device in a run over
// several, the report of a file that is complete or of one that failed.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/device_run.h"

namespace ostrand::cli {

// The local file of `device` in the fleet form: FILE with "_<ip>_<port>"
// before its extension ("users.bin" -> "users_127.0.0.1_60005.bin"); a name
// ending in ".tar.gz" keeps that ending whole ("log_127.0.0.1_80.tar.gz").
inline std::filesystem::path FileOfDevice(const std::filesystem::path& file, const FleetTarget& device) {
    constexpr std::string_view kArchiveEnding = ".tar.gz";
    const std::string name = file.filename().string();
    const std::string mark = "_" + device.ip + "_" + std::to_string(device.port);
    std::string stem = file.stem().string();
    std::string extension = file.extension().string();
    if (name.ends_with(kArchiveEnding)) {
        stem = name.substr(0, name.size() - kArchiveEnding.size());
        extension = std::string(kArchiveEnding);
    }
    return file.parent_path() / (stem + mark + extension);
}

// A file that arrived complete at `path` (or was sent from it): its name and
// size as the values "file" and "bytes".
inline DeviceReport FileReport(const std::filesystem::path& path) {
    DeviceReport report;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    report.values.emplace_back("file", path.string());
    report.values.emplace_back("bytes", error ? std::string("0") : std::to_string(size));
    return report;
}

// A transfer that failed: the channel has shown why (the runner puts its
// texts into the report).
inline DeviceReport FailedTransfer() {
    DeviceReport report;
    report.status = kFailedExitStatus;
    return report;
}

}  // namespace ostrand::cli
