#pragma once
// One discovery socket per local address. Requests leave from the address's
// own socket, which also takes the replies sent to that address. Devices on
// another subnet cannot answer that way: they answer to 255.255.255.255 or to
// the multicast group, on the requester's port. A socket bound to a unicast
// address does not see those here, so each discovery socket keeps a listener
// beside it: bound to 0.0.0.0 on the same port, tied to the address's
// interface, taking only the broadcast and group datagrams that arrive there.

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "discovery/udp_socket.h"

namespace ostrand {

class DiscoverySocket {
public:
    DiscoverySocket() = default;
    // Takes a socket already set up and bound (to an address or to 0.0.0.0).
    explicit DiscoverySocket(UdpSocket socket) : socket_(std::move(socket)) {}

    // Opens the listener for the interface that holds `address`, on the
    // socket's port; with a `group`, it joins that group on the interface.
    // False when the socket is unbound, no interface holds the address or the
    // listener cannot be set up; the socket then takes unicast only.
    bool ListenOnInterfaceOf(std::string_view address, std::string_view group = {}, int receiveBufferBytes = 0);
    bool HasListener() const { return listener_.IsOpen(); }

    bool IsOpen() const { return socket_.IsOpen(); }
    UdpSocket& Socket() { return socket_; }
    std::uint16_t LocalPort() const { return socket_.LocalPort(); }
    std::string LocalAddress() const { return socket_.LocalAddress(); }

    long SendTo(const UdpEndpoint& destination, std::span<const std::uint8_t> bytes) {
        return socket_.SendTo(destination, bytes);
    }
    long SendTo(const UdpEndpoint& destination, std::string_view text) { return socket_.SendTo(destination, text); }

    // Waits until the socket or its listener has a datagram or `wait` has
    // passed. False on time-out or on a failed wait.
    bool WaitReadable(std::chrono::microseconds wait);
    // One datagram of either, nullopt when none is queued. Datagrams of the
    // listener that are not broadcast or group datagrams of its interface are
    // dropped on the way.
    std::optional<ReceivedDatagram> Receive(std::span<std::uint8_t> buffer);

private:
    bool Accepts(const ReceivedDatagram& datagram) const;

    UdpSocket socket_;
    UdpSocket listener_;
    LocalInterface interface_;
};

}  // namespace ostrand
