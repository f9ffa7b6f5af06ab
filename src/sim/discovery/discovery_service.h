#pragma once
// Hosts the discovery responders on a simulator: every device of the fleet
// answers "pc scan" and the HDS search from its own address, with the
// discovery faults set for it here. Added to ostrand-devsim by one line:
// simulator.AddService(std::make_unique<DiscoveryService>()).

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

    // Answers from a private namespace with the configured (default) ports and
    // group; a fleet on loopback or in the machine's own network namespace
    // answers unicast on 127.0.0.1 only. A port that cannot be had leaves
    // discovery off (see Error) without stopping the simulator.
    void Start(Simulator& simulator) override;
    void Stop() override;

    // Faults of the device at that address; callable from any thread, in
    // force from the next request.
    void SetFaults(const std::string& address, const DiscoveryFaults& faults);

    // Valid after Start.
    const DiscoveryResponder& Responder() const { return *responder_; }
    const std::string& Error() const { return error_; }

private:
    DiscoveryResponderConfig config_;
    std::unique_ptr<DiscoveryResponder> responder_;
    std::mutex mutex_;
    std::map<std::string, DiscoveryFaults> faults_;
    std::string error_;
};

}  // namespace ostrand::sim
