#include "sim/simulator.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <stdexcept>

namespace ostrand::sim {

Simulator::Simulator() = default;

Simulator::~Simulator() {
    Stop();
    // A Stop from the serving thread itself could not join it.
    std::thread left;
    {
        std::lock_guard lock(stateMutex_);
        left = std::move(thread_);
    }
    if (left.joinable()) {
        if (left.get_id() == std::this_thread::get_id()) {
            left.detach();  // destroyed from its own handler: nothing to wait for
        } else {
            left.join();
        }
    }
    // Listeners go before the io_context; the sessions it still holds are
    // destroyed with it.
    for (auto& service : services_) service->Stop();
    servers_.clear();
}

namespace {

// A call handed to the serving thread. The caller may give up on it when the
// simulator stops; the handler then must not touch the caller's frame.
struct HandedCall {
    std::mutex mutex;
    std::condition_variable changed;
    bool abandoned = false;
    bool done = false;
    std::exception_ptr error;
};

}  // namespace

template <typename Fn>
void Simulator::OnSimulatorThread(Fn fn) {
    {
        std::unique_lock lock(stateMutex_);
        if (state_ == State::Stopped) throw SimulatorStopped();
        if (state_ != State::Serving || servingThread_ == std::this_thread::get_id()) {
            lock.unlock();
            fn();
            return;
        }
    }
    auto call = std::make_shared<HandedCall>();
    net::post(io_, [call, &fn] {
        std::lock_guard lock(call->mutex);
        if (call->abandoned) return;
        try {
            fn();
        } catch (...) {
            call->error = std::current_exception();
        }
        call->done = true;
        call->changed.notify_all();
    });
    std::unique_lock lock(call->mutex);
    // A stop drops the handlers still queued, so the wait looks at the state
    // now and then rather than trusting the handler to come.
    while (!call->done) {
        call->changed.wait_for(lock, std::chrono::milliseconds(20));
        if (call->done) break;
        std::lock_guard state(stateMutex_);
        if (state_ == State::Stopped) {
            call->abandoned = true;
            throw SimulatorStopped();
        }
    }
    if (call->error) std::rethrow_exception(call->error);
}

Device& Simulator::AddDevice(DeviceConfig config) {
    Device* added = nullptr;
    OnSimulatorThread([&] {
        Device& device = fleet_.Add(std::move(config));
        servers_.push_back(std::make_unique<DeviceServer>(io_, device, journal_));
        if (opened_) ApplyListening(*servers_.back());
        added = &device;
    });
    return *added;
}

void Simulator::AddService(std::unique_ptr<SimService> service) {
    OnSimulatorThread([&] {
        if (opened_) service->Start(*this);
        services_.push_back(std::move(service));
    });
}

void Simulator::ApplyListening(DeviceServer& server) {
    if (server.Dev().Faults().refuse) {
        server.Close();
    } else {
        server.Open();
    }
}

DeviceServer& Simulator::ServerFor(Device& device) {
    for (auto& server : servers_) {
        if (&server->Dev() == &device) return *server;
    }
    throw std::invalid_argument("device " + device.AddressText() + " is not in this simulator");
}

void Simulator::Open() {
    if (opened_) return;
    for (auto& server : servers_) ApplyListening(*server);
    for (auto& service : services_) service->Start(*this);
    opened_ = true;
}

bool Simulator::BeginServing(std::thread::id id) {
    std::lock_guard lock(stateMutex_);
    if (state_ != State::Idle) return false;
    state_ = State::Serving;
    servingThread_ = id;
    return true;
}

void Simulator::Start() {
    {
        std::lock_guard lock(stateMutex_);
        if (state_ != State::Idle) return;
    }
    Open();
    // Keeps run() from returning while nothing is pending.
    workGuard_ = std::make_unique<WorkGuard>(io_.get_executor());
    std::lock_guard lock(stateMutex_);
    if (state_ != State::Idle) return;  // stopped meanwhile
    thread_ = std::thread([this] { io_.run(); });
    state_ = State::Serving;
    servingThread_ = thread_.get_id();
}

void Simulator::Run() {
    Open();
    if (!BeginServing(std::this_thread::get_id())) return;
    auto guard = net::make_work_guard(io_);
    io_.run();
    std::lock_guard lock(stateMutex_);
    state_ = State::Stopped;
}

bool Simulator::Running() const {
    std::lock_guard lock(stateMutex_);
    return state_ == State::Serving;
}

void Simulator::Stop() {
    std::thread serving;
    {
        std::lock_guard lock(stateMutex_);
        state_ = State::Stopped;
        io_.stop();
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) serving = std::move(thread_);
    }
    if (serving.joinable()) serving.join();
}

void Simulator::SetFaults(Device& device, const FaultOptions& faults) {
    OnSimulatorThread([&] {
        device.StoreFaults(faults);
        DeviceServer& server = ServerFor(device);
        if (opened_) ApplyListening(server);
    });
}

}  // namespace ostrand::sim
