#pragma once
// Everything a Search needs from outside: the two settings it reads, where it
// binds and sends, how long it listens, and where its developer trace goes.
// The defaults are the application's; tests and the command-line tool aim the
// same code at loopback peers or at a private network namespace.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/hds_reply.h"
#include "discovery/scan_reply.h"
#include "discovery/udp_socket.h"

namespace ostrand {

// Bits of the "SimpleScan" setting.
inline constexpr std::int32_t kScanFlagSkipHds = 1;
inline constexpr std::int32_t kScanFlagFirstSocketOnly = 2;
inline constexpr std::int32_t kScanFlagSinglePass = 4;
inline constexpr std::int32_t kScanFlagAnyAddress = 8;

inline constexpr std::size_t kMaxDiscoverySockets = 10;

// One line of developer diagnostics (never shown to the user).
using DiscoveryTrace = std::function<void(std::string_view line)>;

// A trace that writes each line to stderr.
DiscoveryTrace StderrDiscoveryTrace();

struct DiscoverySettings {
    std::function<std::int32_t()> scanFlags;    // "SimpleScan"
    std::function<std::int32_t()> scanTimeOut;  // "ScanTimeOut", milliseconds

    // Reads both from the settings file at every call (default 0, written
    // back when missing).
    static DiscoverySettings FromProfile();
    static DiscoverySettings Fixed(std::int32_t scanFlags, std::int32_t scanTimeOut);
};

struct DiscoveryConfig {
    DiscoverySettings settings = DiscoverySettings::FromProfile();

    // Local addresses to open sockets on; empty means the PC's own IPv4
    // addresses (LocalIpv4Addresses).
    std::vector<std::string> bindAddresses;

    std::uint16_t scanLocalPort = kScanLocalPort;
    std::vector<UdpEndpoint> scanDestinations = {
        {std::string(kScanBroadcastAddress), kScanDevicePort},
        {std::string(kScanMulticastAddress), kScanDevicePort},
    };

    std::uint16_t hdsLocalPort = kHdsLocalPort;
    UdpEndpoint hdsDestination{std::string(kHdsGroupAddress), kHdsDevicePort};
    std::chrono::microseconds hdsWait = std::chrono::milliseconds(200);

    // A pass lasts until the network has been quiet for one reply wait. A
    // device that never stops answering would keep it alive for ever, so the
    // whole Search (all its passes and HDS requests together) ends after this
    // long; what is left of it then is skipped.
    std::chrono::milliseconds maxCollectTime = std::chrono::seconds(30);

    // Kernel receive buffer per socket: room for a burst from a full table's
    // worth of devices answering both destinations at once.
    int receiveBufferBytes = 32 * 1024 * 1024;

    DiscoveryTrace trace;
};

// The moment a Search stops collecting, whatever is left of it.
using SearchDeadline = std::chrono::steady_clock::time_point;
inline SearchDeadline SearchDeadlineFrom(const DiscoveryConfig& config) {
    return std::chrono::steady_clock::now() + config.maxCollectTime;
}

}  // namespace ostrand
