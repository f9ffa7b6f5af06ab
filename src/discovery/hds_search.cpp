#include "discovery/hds_search.h"

#include <array>
#include <chrono>

namespace ostrand {

std::string MakeHdsClientId(std::mt19937& random) {
    std::uniform_int_distribution<int> letter(0, 15);
    std::string id;
    for (int i = 0; i < 32; ++i) id.push_back(static_cast<char>('c' + letter(random)));
    return id;
}

HdsSearchState HdsSearchState::Create() {
    std::random_device seed;
    std::mt19937 random(seed());
    return Create(random);
}

HdsSearchState HdsSearchState::Create(std::mt19937& random) {
    HdsSearchState state;
    state.clientId = MakeHdsClientId(random);
    return state;
}

void OpenHdsSockets(HdsSearchState& state, const DiscoveryConfig& config) {
    state.sockets.clear();
    state.destination = config.hdsDestination;
    const bool join = IsMulticastAddress(state.destination.address);
    const auto addresses = config.bindAddresses.empty() ? LocalIpv4Addresses() : config.bindAddresses;
    for (const auto& address : addresses) {
        if (state.sockets.size() >= kMaxDiscoverySockets) break;
        UdpSocket socket = UdpSocket::Open();
        if (!socket.IsOpen()) continue;
        if (!socket.SetReuseAddress(true) || !socket.SetMulticastTtl(kHdsMulticastTtl) ||
            !socket.SetMulticastLoop(false) || !socket.Bind(address, config.hdsLocalPort))
            continue;
        if (join && !socket.JoinGroup(state.destination.address)) continue;
        socket.GrowReceiveBuffer(config.receiveBufferBytes);
        DiscoverySocket discovery(std::move(socket));
        discovery.ListenOnInterfaceOf(address, join ? std::string_view(state.destination.address) : std::string_view(),
                                      config.receiveBufferBytes);
        state.sockets.push_back(std::move(discovery));
    }
}

HdsSearchStats RunHdsSearch(HdsSearchState& state, DeviceTable& table, const DiscoveryConfig& config) {
    return RunHdsSearch(state, table, config, SearchDeadlineFrom(config));
}

HdsSearchStats RunHdsSearch(HdsSearchState& state, DeviceTable& table, const DiscoveryConfig& config,
                            SearchDeadline deadline) {
    using Clock = std::chrono::steady_clock;
    HdsSearchStats stats;
    HdsMacIndex index;
    index.Rebuild(table);
    std::array<std::uint8_t, kDatagramBufferSize> buffer{};
    for (auto& socket : state.sockets) {
        if (Clock::now() >= deadline) break;
        const std::string request = BuildHdsRequest(state.sequence, state.clientId);
        ++state.sequence;
        socket.SendTo(state.destination, request);
        ++stats.requests;

        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            if (!socket.WaitReadable(std::min(config.hdsWait, left))) break;
            // Everything already queued is taken before waiting again.
            while (Clock::now() < deadline) {
                const auto datagram = socket.Receive(buffer);
                if (!datagram) break;
                ++stats.received;
                const std::string_view text(reinterpret_cast<const char*>(buffer.data()), datagram->length);
                if (MergeHdsReply(table, index, text) == HdsMergeOutcome::Appended) ++stats.appended;
            }
        }
    }
    return stats;
}

}  // namespace ostrand
