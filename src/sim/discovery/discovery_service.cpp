#include "sim/discovery/discovery_service.h"

#include <stdexcept>
#include <utility>

namespace ostrand::sim {

DiscoveryService::DiscoveryService(DiscoveryResponderConfig config) : config_(std::move(config)) {}

void DiscoveryService::Start(Simulator& simulator) {
    auto source = [this, &simulator] {
        std::vector<DiscoveryEntry> entries;
        const auto& devices = simulator.Devices().Devices();
        entries.reserve(devices.size());
        std::lock_guard lock(mutex_);
        for (const auto& device : devices) {
            DiscoveryEntry entry{device->AddressText(), device->Record(), {}};
            if (const auto found = faults_.find(entry.address); found != faults_.end()) entry.faults = found->second;
            entries.push_back(std::move(entry));
        }
        return entries;
    };
    responder_ = std::make_unique<DiscoveryResponder>(simulator.Context(), config_, source);
    std::string error;
    if (!responder_->Start(&error)) throw std::runtime_error(error);
}

void DiscoveryService::Stop() {
    if (responder_) responder_->Stop();
}

void DiscoveryService::SetFaults(const std::string& address, const DiscoveryFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_[address] = faults;
}

}  // namespace ostrand::sim
