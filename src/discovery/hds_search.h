#pragma once
// The HDS search: devices that do not answer "pc scan" answer a text request
// multicast to their group. One request per socket per Search; replies are
// merged into the device table by mac.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "devices/device_table.h"
#include "discovery/discovery_config.h"
#include "discovery/discovery_socket.h"

namespace ostrand {

struct HdsSearchState {
    std::int32_t sequence = 1;  // next CSeq; never reset
    std::string clientId;       // 32 letters from 'c' to 'r', chosen once
    std::vector<DiscoverySocket> sockets;
    UdpEndpoint destination{std::string(kHdsGroupAddress), kHdsDevicePort};

    // A fresh state with a random client id.
    static HdsSearchState Create();
    static HdsSearchState Create(std::mt19937& random);
};

// 32 lower-case letters, each drawn uniformly from the 16 letters c..r.
std::string MakeHdsClientId(std::mt19937& random);

// One socket per local address (at most ten): address reuse, multicast TTL 10,
// multicast loopback off, bound to the HDS port, and a member of the
// destination's group when that is a multicast address. A socket on which a
// step fails is closed and left out. Each socket also takes the group's
// datagrams that arrive on its address's interface: devices on another subnet
// answer to the group.
void OpenHdsSockets(HdsSearchState& state, const DiscoveryConfig& config);

struct HdsSearchStats {
    std::size_t requests = 0;
    std::size_t received = 0;
    std::size_t appended = 0;
};

// Sends one request per socket (CSeq from the state, then +1) and merges the
// replies, waiting a fresh HDS wait after each one. Nothing more is sent or
// collected once `deadline` (the whole Search's) has passed.
HdsSearchStats RunHdsSearch(HdsSearchState& state, DeviceTable& table, const DiscoveryConfig& config,
                            SearchDeadline deadline);
// The same with a deadline of its own: the configuration's search bound from now.
HdsSearchStats RunHdsSearch(HdsSearchState& state, DeviceTable& table, const DiscoveryConfig& config);

}  // namespace ostrand
