#include "discovery/discovery_socket.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>

namespace ostrand {

bool DiscoverySocket::ListenOnInterfaceOf(std::string_view address, std::string_view group, int receiveBufferBytes) {
    listener_.Close();
    const std::uint16_t port = socket_.LocalPort();
    if (!socket_.IsOpen() || port == 0 || socket_.LocalAddress() == "0.0.0.0") return false;
    const auto found = InterfaceOfAddress(address);
    if (!found || found->index <= 0) return false;

    UdpSocket listener = UdpSocket::Open();
    if (!listener.IsOpen()) return false;
    // Tying the listener to its interface needs a privilege the tool may lack;
    // the arrival interface is checked per datagram as well, so it is a saving,
    // not a condition.
    listener.BindToDevice(found->name);
    if (!listener.SetReuseAddress(true) || !listener.SetPacketInfo(true) || !listener.SetMulticastAll(false) ||
        !listener.Bind("0.0.0.0", port))
        return false;
    if (!group.empty() && !listener.JoinGroupOnInterface(group, found->index)) return false;
    if (receiveBufferBytes > 0) listener.GrowReceiveBuffer(receiveBufferBytes);
    listener_ = std::move(listener);
    interface_ = *found;
    return true;
}

bool DiscoverySocket::WaitReadable(std::chrono::microseconds wait) {
    if (!listener_.IsOpen()) return socket_.WaitReadable(wait);
    pollfd entries[2] = {{socket_.Handle(), POLLIN, 0}, {listener_.Handle(), POLLIN, 0}};
    const auto micros = std::max<std::int64_t>(wait.count(), 0);
    timespec timeout{static_cast<time_t>(micros / 1000000), static_cast<long>((micros % 1000000) * 1000)};
    for (;;) {
        const int ready = ppoll(entries, 2, &timeout, nullptr);
        if (ready > 0) return true;
        if (ready < 0 && errno == EINTR) continue;
        return false;
    }
}

std::optional<ReceivedDatagram> DiscoverySocket::Receive(std::span<std::uint8_t> buffer) {
    if (auto datagram = socket_.Receive(buffer)) return datagram;
    while (listener_.IsOpen()) {
        auto datagram = listener_.Receive(buffer);
        if (!datagram) break;
        if (Accepts(*datagram)) return datagram;
    }
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    return std::nullopt;
}

bool DiscoverySocket::Accepts(const ReceivedDatagram& datagram) const {
    // Unicast to some other address of the machine is not this socket's, and
    // neither is anything that came in on another interface.
    if (datagram.interfaceIndex != interface_.index) return false;
    const auto& to = datagram.destinationAddress;
    return to == "255.255.255.255" || (!interface_.broadcastAddress.empty() && to == interface_.broadcastAddress) ||
           IsMulticastAddress(to);
}

}  // namespace ostrand
