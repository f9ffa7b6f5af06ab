#pragma once
// A UDP socket that closes itself, with the few options discovery needs and a
// receive that waits a bounded time. Discovery is synchronous request/collect
// work on one thread, so plain blocking calls with a readiness wait are enough.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand {

// An IPv4 address in dotted text and a port.
struct UdpEndpoint {
    std::string address;
    std::uint16_t port = 0;

    std::string ToText() const;  // "a.b.c.d:port"
    friend bool operator==(const UdpEndpoint&, const UdpEndpoint&) = default;
};

// Parses "a.b.c.d:port" (port 1..65535). nullopt on anything else.
std::optional<UdpEndpoint> ParseUdpEndpoint(std::string_view text);
// True when the dotted text is an IPv4 address in 224.0.0.0/4.
bool IsMulticastAddress(std::string_view address);

struct ReceivedDatagram {
    std::size_t length = 0;
    std::string senderAddress;
    std::uint16_t senderPort = 0;
    // Where the datagram was addressed and the interface it came in on; known
    // only on a socket with packet information on (empty and 0 otherwise).
    std::string destinationAddress;
    int interfaceIndex = 0;
};

// A local IPv4 interface as the system lists it.
struct LocalInterface {
    std::string name;
    int index = 0;
    std::string address;
    std::string broadcastAddress;  // empty when the interface has none
};

// The interface holding `address`: the one with exactly that address, else
// the one whose subnet contains it. nullopt when no interface fits.
std::optional<LocalInterface> InterfaceOfAddress(std::string_view address);

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // A fresh IPv4 datagram socket; an invalid one when the system refuses.
    static UdpSocket Open();

    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; }
    void Close();

    bool SetReuseAddress(bool on);
    bool SetBroadcast(bool on);
    bool SetMulticastTtl(int ttl);
    bool SetMulticastLoop(bool on);
    bool SetMulticastInterface(std::string_view address);
    bool JoinGroup(std::string_view group, std::string_view interfaceAddress = "0.0.0.0");
    bool JoinGroupOnInterface(std::string_view group, int interfaceIndex);
    // Off: only the groups this socket joined arrive, not every group some
    // other socket of the machine joined.
    bool SetMulticastAll(bool on);
    // Ties the socket to one interface: it receives only what arrives there.
    bool BindToDevice(std::string_view interfaceName);
    // Asks for each datagram's destination address and arrival interface.
    bool SetPacketInfo(bool on);
    // Asks for a receive buffer of at least `bytes`; as root the system limit
    // is bypassed so a burst of thousands of replies fits. Returns the size
    // the system granted.
    int GrowReceiveBuffer(int bytes);

    // Binds to the dotted address and port (0 picks a free port).
    bool Bind(std::string_view address, std::uint16_t port);
    // The port the socket is bound to (0 when unbound or on error).
    std::uint16_t LocalPort() const;
    std::string LocalAddress() const;

    // Sends one datagram; the result is the number of bytes sent or -1.
    long SendTo(const UdpEndpoint& destination, std::span<const std::uint8_t> bytes);
    long SendTo(const UdpEndpoint& destination, std::string_view text);

    // Waits until a datagram is ready or `wait` has passed. False on time-out
    // or on a failed wait.
    bool WaitReadable(std::chrono::microseconds wait);
    // Receives one datagram into `buffer` (zeroed first). nullopt when the
    // receive fails.
    std::optional<ReceivedDatagram> Receive(std::span<std::uint8_t> buffer);

private:
    explicit UdpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// The machine's IPv4 interface addresses in the order the system lists the
// interfaces, loopback left out; {"127.0.0.1"} when there is no other one,
// and none when the interfaces cannot be listed.
std::vector<std::string> LocalIpv4Addresses();

}  // namespace ostrand
