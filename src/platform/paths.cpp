#include "platform/paths.h"

#include <unistd.h>

#include <cstdlib>
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

FileFolders FileFoldersFor(const std::string& programDirectory, bool programDirectoryWritable,
                           const std::string& home, const std::string& configHome, const std::string& dataHome) {
    const std::filesystem::path folder(programDirectory);
    const std::string name = folder.filename().string();
    const std::string parent = folder.parent_path().filename().string();
    // Root may write /usr/bin, but a program there is installed all the same.
    const bool systemBin = name == "bin" && (parent == "usr" || parent == "local");
    FileFolders folders;
    if (programDirectoryWritable && !systemBin) {
        folders.data = programDirectory;
        return folders;
    }
    const auto under = [&home](const std::string& xdg, const char* fallback) {
        // The XDG variables count only when they name an absolute path.
        if (!xdg.empty() && xdg.front() == '/') return (std::filesystem::path(xdg) / "ostrand").string();
        return (std::filesystem::path(home.empty() ? "/tmp" : home) / fallback / "ostrand").string();
    };
    folders.installed = true;
    folders.config = under(configHome, ".config");
    folders.data = under(dataHome, ".local/share");
    folders.log = folders.data;
    return folders;
}

const FileFolders& ProgramFileFolders() {
    static const FileFolders folders = [] {
        const std::string program = ProgramDirectory();
        const auto variable = [](const char* name) {
            const char* value = std::getenv(name);
            return std::string(value != nullptr ? value : "");
        };
        FileFolders found = FileFoldersFor(program, !program.empty() && ::access(program.c_str(), W_OK) == 0,
                                           variable("HOME"), variable("XDG_CONFIG_HOME"), variable("XDG_DATA_HOME"));
        if (found.installed) {
            MakeDirectoryPath(found.config);
            MakeDirectoryPath(found.data);
        }
        return found;
    }();
    return folders;
}

bool MakeDirectoryPath(std::string_view path) {
    if (path.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

}  // namespace ostrand
