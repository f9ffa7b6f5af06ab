#pragma once
// The simulated temperature devices' side of the probe: one socket per probe
// port answers an "inquiry" with a "ProbeMatch" document from every device
// whose fleet entry makes it a temperature device, each sent from the
// device's own address to the prober. Added to ostrand-devsim by one line:
// simulator.AddService(std::make_unique<ProbeService>()).

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sim/behaviours/peripherals/peripheral_state.h"
#include "sim/simulator.h"

namespace ostrand::sim {

struct ProbeServiceConfig {
    std::string bindAddress = "0.0.0.0";
    std::uint16_t firstPort = 37020;   // 0 picks a free port
    std::uint16_t secondPort = 60033;  // 0 picks a free port
    // Joined on the default interface; empty joins none (loopback tests).
    std::string group = "239.255.255.250";
};

// The answer of one device to the probe `uuid` on the first or second port.
std::string ProbeMatchText(const TemperaIdentity& identity, std::uint16_t servicePort, bool second,
                           std::string_view uuid);

class ProbeService final : public SimService {
public:
    explicit ProbeService(ProbeServiceConfig config = {});
    ~ProbeService() override;

    // Answers from a private namespace with the configured ports and group; a
    // fleet on loopback or in the machine's own network answers unicast on
    // 127.0.0.1 only. A busy port leaves the probe unanswered (see Error)
    // without stopping the simulator.
    void Start(Simulator& simulator) override;
    void Stop() override;

    std::uint16_t FirstPort() const { return firstPort_; }
    std::uint16_t SecondPort() const { return secondPort_; }
    std::size_t Probes() const { return probes_.load(); }
    const std::string& Error() const { return error_; }

private:
    struct Listener;
    void Arm(Listener& listener);
    void Answer(Listener& listener, std::string_view request, const udp::endpoint& peer);

    ProbeServiceConfig config_;
    Simulator* simulator_ = nullptr;
    std::unique_ptr<Listener> first_;
    std::unique_ptr<Listener> second_;
    std::uint16_t firstPort_ = 0;
    std::uint16_t secondPort_ = 0;
    std::atomic<std::size_t> probes_{0};
    std::string error_;
};

}  // namespace ostrand::sim
