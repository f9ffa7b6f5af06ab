#pragma once
// Programs the video tests start as peers (an FFmpeg HTTP server, an RTSP
// server): each runs in a process group of its own under a hard time limit,
// and the group is killed when the object goes, so no peer outlives its test.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace ostrand::video::test {

class ChildProcess {
public:
    // Starts `arguments` (the program looked up on PATH), killed after
    // `limit` whatever happens; output goes to `logPath` (empty: nowhere).
    ChildProcess(const std::vector<std::string>& arguments, std::chrono::seconds limit,
                 const std::string& logPath = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Kills the group and reaps it.
    void Kill();
    // Waits at most `wait` for the program to end: its exit code, -1 when
    // it did not end in time (it is then killed) or ended by a signal.
    int Wait(std::chrono::milliseconds wait);

private:
    pid_t pid_ = -1;
};

// Whether `program` is found on PATH.
bool OnPath(const std::string& program);

}  // namespace ostrand::video::test
