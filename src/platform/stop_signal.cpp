#include "platform/stop_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace ostrand {

namespace {
thread_local ScopedStop* t_scope = nullptr;
thread_local const StopSignal* t_stop = nullptr;
}  // namespace

StopSignal::StopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (fd_ >= 0) close(fd_);
}

void StopSignal::Raise() {
    raised_.store(true, std::memory_order_release);
    if (fd_ >= 0) {
        const std::uint64_t one = 1;
        // A full counter still leaves the descriptor readable: nothing to retry.
        [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
    }
}

const StopSignal* CurrentStop() { return t_stop; }

bool CurrentStopRaised() { return t_stop != nullptr && t_stop->Raised(); }

int CurrentStopDescriptor() { return t_stop != nullptr ? t_stop->Descriptor() : -1; }

void NoteStopped() {
    if (t_scope != nullptr) t_scope->stopped_ = true;
}

ScopedStop::ScopedStop(const StopSignal& stop) : previous_(t_stop), outer_(t_scope) {
    t_stop = &stop;
    t_scope = this;
}

ScopedStop::~ScopedStop() {
    t_stop = previous_;
    t_scope = outer_;
}

}  // namespace ostrand
