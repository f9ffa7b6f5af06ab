#include "platform/paths.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace ostrand {
namespace {
std::filesystem::path ExecutablePath() {
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return path;
}
}  // namespace

std::string ProgramDirectory() { return ExecutablePath().parent_path().string(); }

std::string ExecutableBaseName() { return ExecutablePath().stem().string(); }

std::string CurrentDirectory() {
    std::error_code error;
    auto path = std::filesystem::current_path(error);
    if (error) return {};
    return path.string();
}

bool MakeDirectoryPath(std::string_view path) {
    if (path.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

}  // namespace ostrand
