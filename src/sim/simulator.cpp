#include "sim/simulator.h"

#include <future>
#include <stdexcept>

namespace ostrand::sim {

Simulator::Simulator() = default;

Simulator::~Simulator() {
    Stop();
    // Listeners go before the io_context; the sessions it still holds are
    // destroyed with it.
    for (auto& service : services_) service->Stop();
    servers_.clear();
}

template <typename Fn>
void Simulator::OnSimulatorThread(Fn fn) {
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) {
        fn();
        return;
    }
    std::promise<void> done;
    net::post(io_, [&] {
        try {
            fn();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    done.get_future().get();
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

void Simulator::Start() {
    if (thread_.joinable()) return;
    Open();
    // Keeps run() from returning while nothing is pending.
    workGuard_ = std::make_unique<WorkGuard>(io_.get_executor());
    thread_ = std::thread([this] { io_.run(); });
}

void Simulator::Run() {
    Open();
    auto guard = net::make_work_guard(io_);
    io_.run();
}

void Simulator::Stop() {
    if (stopped_) return;
    stopped_ = true;
    io_.stop();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    workGuard_.reset();
}

void Simulator::SetFaults(Device& device, const FaultOptions& faults) {
    OnSimulatorThread([&] {
        device.StoreFaults(faults);
        DeviceServer& server = ServerFor(device);
        if (opened_) ApplyListening(server);
    });
}

}  // namespace ostrand::sim
