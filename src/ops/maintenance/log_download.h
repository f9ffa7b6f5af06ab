#pragma once
// Fetching a device's log archive into a local file: over HTTP
// "/goform/httpDownLoadFile", over TCP (port 60005) the export of type 2.

#include <cstdint>
#include <filesystem>
#include <string>

#include "ops/maintenance/maintenance_outcome.h"
#include "transport/form_channel.h"

namespace ostrand {

inline constexpr const char* kLogArchiveEnding = ".tar.gz";
inline constexpr std::uint8_t kLogExportType = 2;

// `path` with ".tar.gz" appended unless the last 7 bytes of its file name
// are exactly that (case matters; a shorter name never matches).
std::filesystem::path WithLogArchiveEnding(const std::filesystem::path& path);

// Downloads into `path` as given (apply WithLogArchiveEnding first). The
// transfer shows its own failure message; no partial file is left behind.
MaintenanceOutcome DownloadDeviceLog(CommandTarget& target, const std::filesystem::path& path);

}  // namespace ostrand
