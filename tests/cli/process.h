#pragma once
// Child processes for the round-trip tests: every wait is bounded and a child
// that outlives its bound is killed.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ostrand::cli::test {

struct ProcessResult {
    int exitCode = -1;  // -1: killed after the time limit or by a signal
    std::string out;
    std::string err;
};

// Runs the program to its end (killed after `limit`) and collects its output;
// in `workingDirectory` when one is given.
ProcessResult RunProcess(const std::vector<std::string>& arguments,
                         std::chrono::milliseconds limit = std::chrono::seconds(30),
                         const std::string& workingDirectory = {});

// The lines of a program's output, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// A program that runs in the background until Stop (or the destructor):
// SIGTERM, a bounded wait, then SIGKILL.
class BackgroundProcess {
public:
    explicit BackgroundProcess(const std::vector<std::string>& arguments, const std::string& logPath);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    bool Running();
    void Stop();

private:
    pid_t pid_ = -1;
};

// "127.A.B." with A.B from this process's id, so test processes running at
// once put their simulated devices on different loopback addresses.
std::string ProcessAddressBlock();

// Starts ostrand-devsim on DIR/fleet.json for at most two minutes, logging to
// DIR/devsim.log, and waits (at most 20 s) until every device listens; `ready`
// tells whether they do.
std::unique_ptr<BackgroundProcess> StartFleet(const std::filesystem::path& dir, bool& ready);

}  // namespace ostrand::cli::test
