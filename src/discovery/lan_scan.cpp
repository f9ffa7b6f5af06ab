#include "discovery/lan_scan.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

namespace ostrand {
namespace {

void Trace(const DiscoveryConfig& config, const char* format, auto... values) {
    if (!config.trace) return;
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    config.trace(line);
}

void HandleReply(DeviceTable& table, ScanDuplicateIndex& index, ScanPassStats& stats,
                 const DiscoveryConfig& config, std::span<const std::uint8_t> buffer,
                 const ReceivedDatagram& datagram) {
    ++stats.received;
    DeviceRecord record;
    const auto outcome = AddScanReply(table, index, buffer.first(datagram.length), &record);
    if (outcome == ScanReplyOutcome::BadLength || outcome == ScanReplyOutcome::LongMac) {
        ++stats.rejected;
        return;
    }
    Trace(config, "recv from %s, devIP: %s, devMac: %s\n", datagram.senderAddress.c_str(),
          FieldText(record.ip).c_str(), FieldText(record.mac).c_str());
    switch (outcome) {
        case ScanReplyOutcome::Appended: ++stats.appended; break;
        case ScanReplyOutcome::Duplicate: ++stats.duplicates; break;
        case ScanReplyOutcome::TableFull: ++stats.dropped; break;
        default: break;
    }
}

}  // namespace

ScanSockets OpenScanSockets(const DiscoveryConfig& config) {
    const bool anyAddress = config.settings.scanFlags && (config.settings.scanFlags() & kScanFlagAnyAddress) != 0;
    const auto addresses = config.bindAddresses.empty() ? LocalIpv4Addresses() : config.bindAddresses;

    ScanSockets result;
    int index = 0;
    for (const auto& address : addresses) {
        if (result.sockets.size() >= kMaxDiscoverySockets) break;
        const std::string bindAddress = anyAddress ? "0.0.0.0" : address;
        UdpSocket socket = UdpSocket::Open();
        if (!socket.IsOpen()) {
            ++index;
            continue;
        }
        socket.SetReuseAddress(true);
        const bool bound = socket.Bind(bindAddress, config.scanLocalPort);
        Trace(config, "bind res: %d, ip: %s, index: %d\n", bound ? 0 : -1, bindAddress.c_str(), index);
        ++index;
        if (!socket.SetBroadcast(true)) continue;
        // Multicast leaves through the interface of the bound address rather
        // than wherever the default route points.
        if (!anyAddress) socket.SetMulticastInterface(bindAddress);
        socket.GrowReceiveBuffer(config.receiveBufferBytes);
        DiscoverySocket discovery(std::move(socket));
        if (!anyAddress && bound) discovery.ListenOnInterfaceOf(bindAddress, {}, config.receiveBufferBytes);
        result.sockets.push_back(std::move(discovery));
        if (anyAddress) break;
    }
    return result;
}

ScanPassStats ScanPass(DiscoverySocket& socket, DeviceTable& table, const DiscoveryConfig& config) {
    return ScanPass(socket, table, config, SearchDeadlineFrom(config));
}

ScanPassStats ScanPass(DiscoverySocket& socket, DeviceTable& table, const DiscoveryConfig& config,
                       SearchDeadline deadline) {
    using Clock = std::chrono::steady_clock;
    const auto wait = ScanReplyWait(config.settings.scanTimeOut ? config.settings.scanTimeOut() : 0);
    ScanPassStats stats;
    if (Clock::now() >= deadline) return stats;

    for (const auto& destination : config.scanDestinations) socket.SendTo(destination, kScanRequest);

    ScanDuplicateIndex index;
    index.Rebuild(table);
    std::array<std::uint8_t, kDatagramBufferSize> buffer{};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        if (!socket.WaitReadable(std::min(wait, left))) break;
        // Take everything already queued before waiting again: a datagram
        // that is there needs no wait, and a burst costs one wait call.
        while (Clock::now() < deadline) {
            const auto datagram = socket.Receive(buffer);
            if (!datagram) break;
            HandleReply(table, index, stats, config, buffer, *datagram);
        }
    }
    return stats;
}

}  // namespace ostrand
