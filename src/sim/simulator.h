#pragma once
// A running fleet: one Asio io_context on one thread serves every device's
// listener and every extra service (the discovery responders add themselves
// as services). Tests start it in the background; ostrand-devsim runs it on
// its main thread.

#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "sim/asio.h"
#include "sim/device_server.h"
#include "sim/fleet.h"
#include "sim/journal.h"

namespace ostrand::sim {

class Simulator;

// Thrown by calls that need the serving thread once the simulator has
// stopped (adding a device or a service, changing faults).
class SimulatorStopped : public std::runtime_error {
public:
    SimulatorStopped() : std::runtime_error("the simulator has stopped") {}
};

// Something else the simulator hosts on its io_context, e.g. a UDP responder
// answering for the fleet. Start runs before the io_context runs (it may throw
// to refuse the start); Stop on the simulator thread or after it has ended.
class SimService {
public:
    virtual ~SimService() = default;
    virtual void Start(Simulator& simulator) = 0;
    virtual void Stop() = 0;
};

class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Before Start, or afterwards (then it listens at once). Throws when the
    // device cannot be added or, after Start, cannot listen; SimulatorStopped
    // once the simulator has stopped.
    Device& AddDevice(DeviceConfig config);
    void AddService(std::unique_ptr<SimService> service);

    Fleet& Devices() { return fleet_; }
    Journal& GetJournal() { return journal_; }
    net::io_context& Context() { return io_; }

    // Opens every listener (throws std::system_error naming the first device
    // that cannot listen) and starts the services.
    void Open();
    // Open, then serve on a thread of its own until Stop.
    void Start();
    // Open, then serve on the calling thread until Stop (from a handler or
    // another thread).
    void Run();
    // Ends serving; open connections are closed. Idempotent and callable from
    // any thread, the serving one included; the thread Start made is joined
    // here unless it is the caller (then by the next Stop or the destructor).
    // A stopped simulator does not serve again.
    void Stop();
    bool Running() const;

    // Changes a device's faults. A refusing device stops listening before the
    // call returns; a device that refused listens again. SimulatorStopped once
    // the simulator has stopped.
    void SetFaults(Device& device, const FaultOptions& faults);

private:
    // Runs fn on the serving thread and waits for it while one serves, else
    // runs it here; throws SimulatorStopped once stopped (also when the stop
    // comes while it waits).
    template <typename Fn>
    void OnSimulatorThread(Fn fn);
    // Marks the calling thread as the serving one; false once stopped.
    bool BeginServing(std::thread::id id);
    void ApplyListening(DeviceServer& server);
    DeviceServer& ServerFor(Device& device);

    // Order matters: sessions that end while the io_context is torn down still
    // reach the journal and their device.
    Journal journal_;
    Fleet fleet_;
    net::io_context io_;
    std::vector<std::unique_ptr<DeviceServer>> servers_;
    std::vector<std::unique_ptr<SimService>> services_;
    using WorkGuard = net::executor_work_guard<net::io_context::executor_type>;
    std::unique_ptr<WorkGuard> workGuard_;
    bool opened_ = false;

    enum class State { Idle, Serving, Stopped };
    mutable std::mutex stateMutex_;  // guards the three below
    State state_ = State::Idle;
    std::thread::id servingThread_;
    std::thread thread_;
};

}  // namespace ostrand::sim
