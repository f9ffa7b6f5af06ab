#pragma once
// Discovery aimed at loopback for window tests: sockets on 127.0.0.1 with
// ports the system picks, requests to the given loopback ports (by default the
// discard port, where nothing answers), short waits. Nothing is broadcast and
// no group is joined.

#include <chrono>
#include <cstdint>

#include "discovery/discovery_config.h"

namespace ostrand::test {

inline DiscoveryConfig LoopbackDiscoveryConfig(std::uint16_t scanPort = 9, std::uint16_t hdsPort = 9) {
    using namespace std::chrono_literals;
    DiscoveryConfig config;
    config.bindAddresses = {"127.0.0.1"};
    config.scanLocalPort = 0;
    config.hdsLocalPort = 0;
    config.scanDestinations = {{"127.0.0.1", scanPort}};
    config.hdsDestination = {"127.0.0.1", hdsPort};
    config.hdsWait = 50ms;
    config.maxCollectTime = 5s;
    config.receiveBufferBytes = 1 << 20;
    return config;
}

}  // namespace ostrand::test
