#pragma once
// What the subcommands that move a whole file share (export, download, log,
// upload, camera snapshot): the local file of each device in a run over
// several, the report of a file that is complete or of one that failed.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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

// A subcommand that brings one typed file from each device into FILE (one
// file per device in the fleet form): `transfer` shows why it failed.
using TypedFileTransfer =
    std::function<bool(const FleetTarget& device, const std::filesystem::path& path, std::uint8_t type)>;
inline void AddTypedFileCommand(CLI::App& app, CliAction& action, const char* name, const char* help,
                                const char* typeHelp, TypedFileTransfer transfer) {
    auto type = std::make_shared<int>(0);
    auto file = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(name, help);
    command->add_option("--type", *type, typeHelp)->required()->check(CLI::Range(0, 255));
    command->add_option("FILE", *file, "local file to write (one per device: FILE_<ip>_<port>.ext)")->required();
    DeviceCommand(*command, action, ReadsDevice(),
                  [type, file, transfer](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
                      return [type = static_cast<std::uint8_t>(*type), file = std::filesystem::path(*file),
                              perDevice = devices.fleet, transfer](const FleetTarget& device) {
                          const std::filesystem::path path = perDevice ? FileOfDevice(file, device) : file;
                          if (!transfer(device, path, type)) return FailedTransfer();
                          return FileReport(path);
                      };
                  });
}

}  // namespace ostrand::cli
