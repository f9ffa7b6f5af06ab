#pragma once
// The LAN scan: one UDP socket per local address, each sending "pc scan" to the
// broadcast and multicast destinations and collecting the devices' records
// until the network has been quiet for one reply wait.

#include <cstddef>
#include <vector>

#include "devices/device_table.h"
#include "discovery/discovery_config.h"
#include "discovery/discovery_socket.h"

namespace ostrand {

// Up to ten sockets, opened once and used by every Search.
struct ScanSockets {
    std::vector<DiscoverySocket> sockets;
};

// Reads "SimpleScan" bit 3 from the configuration's settings: with it, a
// single socket on 0.0.0.0; otherwise one per local address. Every socket has
// address reuse and broadcast on and is bound to the scan port; a failed bind
// is traced and the socket kept. A socket on an address also takes the
// broadcasts that arrive on that address's interface (replies of devices that
// cannot answer by unicast).
ScanSockets OpenScanSockets(const DiscoveryConfig& config);

struct ScanPassStats {
    std::size_t received = 0;
    std::size_t appended = 0;
    std::size_t rejected = 0;    // wrong length or over-long mac
    std::size_t duplicates = 0;
    std::size_t dropped = 0;     // table full
};

// One request/collect cycle on one socket; new devices are appended to the
// table. Reads "ScanTimeOut" at its start. Collecting stops at `deadline`
// (the whole Search's); a pass whose deadline has passed sends nothing.
ScanPassStats ScanPass(DiscoverySocket& socket, DeviceTable& table, const DiscoveryConfig& config,
                       SearchDeadline deadline);
// The same with a deadline of its own: the configuration's search bound from now.
ScanPassStats ScanPass(DiscoverySocket& socket, DeviceTable& table, const DiscoveryConfig& config);

}  // namespace ostrand
