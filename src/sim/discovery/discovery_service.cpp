#include "sim/discovery/discovery_service.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>

namespace ostrand::sim {

DiscoveryService::DiscoveryService(DiscoveryResponderConfig config) : config_(std::move(config)) {}

namespace {

// True when this process is known to share the first process's network
// namespace. Unknown (not readable) counts as not shared: the devices'
// listeners on addresses outside 127/8 only open inside a namespace that
// holds those addresses.
bool SharesTheMachinesNetwork() {
    struct stat own {}, machine {};
    if (stat("/proc/self/ns/net", &own) != 0 || stat("/proc/1/ns/net", &machine) != 0) return false;
    return own.st_ino == machine.st_ino && own.st_dev == machine.st_dev;
}

bool AllOnLoopback(Simulator& simulator) {
    for (const auto& device : simulator.Devices().Devices())
        if ((device->Address().to_uint() >> 24) != 127) return false;
    return true;
}

}  // namespace

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
    // Group membership announces itself on the network, so a fleet on the
    // machine's own network (or on loopback) answers only unicast on
    // loopback; broadcast and multicast are for a private namespace.
    auto config = config_;
    if (!config.group.empty() && (AllOnLoopback(simulator) || SharesTheMachinesNetwork())) {
        config.group.clear();
        config.bindAddress = "127.0.0.1";
    }
    responder_ = std::make_unique<DiscoveryResponder>(simulator.Context(), config, source);
    // Another simulator may hold the ports; the devices then serve their
    // other channels without discovery rather than not at all.
    if (!responder_->Start(&error_)) std::fprintf(stderr, "ostrand-devsim: no discovery answers: %s\n", error_.c_str());
}

void DiscoveryService::Stop() {
    if (responder_) responder_->Stop();
}

void DiscoveryService::SetFaults(const std::string& address, const DiscoveryFaults& faults) {
    std::lock_guard lock(mutex_);
    faults_[address] = faults;
}

}  // namespace ostrand::sim
