#pragma once
// Hosts the discovery responders on a simulator: every device of the fleet
// answers "pc scan" and the HDS search from its own address, with the
// discovery faults set for it here.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "sim/discovery/discovery_responder.h"
#include "sim/simulator.h"

namespace ostrand::sim {

class DiscoveryService final : public SimService {
public:
    explicit DiscoveryService(DiscoveryResponderConfig config = {});

    void Start(Simulator& simulator) override;  // throws std::runtime_error when a socket cannot be set up
    void Stop() override;

    // Faults of the device at that address; callable from any thread, in
    // force from the next request.
    void SetFaults(const std::string& address, const DiscoveryFaults& faults);

    // Valid after Start.
    const DiscoveryResponder& Responder() const { return *responder_; }

private:
    DiscoveryResponderConfig config_;
    std::unique_ptr<DiscoveryResponder> responder_;
    std::mutex mutex_;
    std::map<std::string, DiscoveryFaults> faults_;
};

}  // namespace ostrand::sim
