#pragma once
// Stopping a wait for a device from another thread. A StopSignal is a one-way
// flag that also wakes every wait on its descriptor (an eventfd), so a wait
// polls it beside its socket and ends at once when it is raised.
//
// A worker installs a signal as its thread's current stop for one operation
// (ScopedStop); every channel wait on that thread then ends when the signal
// is raised, without the operation's functions carrying it. A wait ended that
// way returns the failure it gives when its device does not answer, and notes
// the stop, so a caller that wants can tell a cancel from a silent device.

#include <atomic>

namespace ostrand {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Safe from any thread, any number of times.
    void Raise();
    bool Raised() const { return raised_.load(std::memory_order_acquire); }
    // Readable once raised; never drained. -1 if the eventfd could not be made
    // (Raised() still works then, the waits just do not wake early).
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    std::atomic<bool> raised_{false};
};

// The stop installed on this thread, or nullptr.
const StopSignal* CurrentStop();
// Whether this thread's stop is installed and raised.
bool CurrentStopRaised();
// The installed stop's descriptor, -1 when none is installed.
int CurrentStopDescriptor();

// Called by a wait that ended because this thread's stop was raised.
void NoteStopped();

// Installs `stop` as this thread's current stop while it lives (guards nest;
// the previous one is back afterwards), and tells whether a wait on this
// thread ended by it meanwhile.
class ScopedStop {
public:
    explicit ScopedStop(const StopSignal& stop);
    ~ScopedStop();
    ScopedStop(const ScopedStop&) = delete;
    ScopedStop& operator=(const ScopedStop&) = delete;

    bool Stopped() const { return stopped_; }

private:
    friend void NoteStopped();
    const StopSignal* previous_;
    ScopedStop* outer_;
    bool stopped_ = false;
};

}  // namespace ostrand
