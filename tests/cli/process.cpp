#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace ostrand::cli::test {
namespace {

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath, const std::string& workingDirectory = {}) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child until the limit; -2 when it is still running.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0) return -1;
        if (std::chrono::steady_clock::now() >= end) return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Called from several threads at once when tests run programs side by side.
std::string TempName(const char* what) {
    static std::atomic<int> counter{0};
    return "/tmp/ostrand_cli_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++) +
           what;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& arguments, std::chrono::milliseconds limit,
                         const std::string& workingDirectory) {
    const std::string outPath = TempName(".out");
    const std::string errPath = TempName(".err");
    ProcessResult result;
    const pid_t pid = Spawn(arguments, outPath, errPath, workingDirectory);
    if (pid > 0) {
        result.exitCode = WaitFor(pid, limit);
        if (result.exitCode == -2) {
            kill(pid, SIGKILL);
            WaitFor(pid, std::chrono::seconds(5));
            result.exitCode = -1;
        }
    }
    result.out = Slurp(outPath);
    result.err = Slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& arguments,
                                     const std::string& logPath)
    : pid_(Spawn(arguments, logPath, logPath + ".err")) {}

BackgroundProcess::~BackgroundProcess() { Stop(); }

bool BackgroundProcess::Running() {
    if (pid_ <= 0) return false;
    if (WaitFor(pid_, std::chrono::milliseconds(0)) == -2) return true;
    pid_ = -1;
    return false;
}

void BackgroundProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (WaitFor(pid_, std::chrono::seconds(5)) == -2) {
        kill(pid_, SIGKILL);
        WaitFor(pid_, std::chrono::seconds(5));
    }
    pid_ = -1;
}

std::string ProcessAddressBlock() {
    const unsigned pid = static_cast<unsigned>(getpid());
    return "127." + std::to_string(100 + (pid >> 8) % 150) + "." + std::to_string(pid & 0xff) + ".";
}

std::unique_ptr<BackgroundProcess> StartFleet(const std::filesystem::path& dir, bool& ready) {
    const std::filesystem::path readyFile = dir / "ready.txt";
    auto simulator = std::make_unique<BackgroundProcess>(
        std::vector<std::string>{OSTRAND_DEVSIM_PATH, "--fleet", (dir / "fleet.json").string(), "--ready-file",
                                 readyFile.string(), "--duration", "120"},
        (dir / "devsim.log").string());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(readyFile) && simulator->Running() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ready = std::filesystem::exists(readyFile);
    return simulator;
}

}  // namespace ostrand::cli::test
