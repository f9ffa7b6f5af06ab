#include "discovery/udp_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>

namespace ostrand {
namespace {

std::optional<in_addr> ParseAddress(std::string_view text) {
    std::string copy(text);
    in_addr address{};
    if (inet_pton(AF_INET, copy.c_str(), &address) != 1) return std::nullopt;
    return address;
}

std::string AddressText(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

bool SetIntOption(int fd, int level, int name, int value) {
    return setsockopt(fd, level, name, &value, sizeof value) == 0;
}

}  // namespace

std::string UdpEndpoint::ToText() const { return address + ":" + std::to_string(port); }

std::optional<UdpEndpoint> ParseUdpEndpoint(std::string_view text) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto host = text.substr(0, colon);
    const auto portText = text.substr(colon + 1);
    if (!ParseAddress(host)) return std::nullopt;
    unsigned port = 0;
    const auto* end = portText.data() + portText.size();
    const auto result = std::from_chars(portText.data(), end, port);
    if (portText.empty() || result.ec != std::errc{} || result.ptr != end || port == 0 || port > 65535)
        return std::nullopt;
    return UdpEndpoint{std::string(host), static_cast<std::uint16_t>(port)};
}

bool IsMulticastAddress(std::string_view address) {
    const auto parsed = ParseAddress(address);
    return parsed && IN_MULTICAST(ntohl(parsed->s_addr));
}

UdpSocket::~UdpSocket() { Close(); }

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

UdpSocket UdpSocket::Open() { return UdpSocket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)); }

void UdpSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool UdpSocket::SetReuseAddress(bool on) { return SetIntOption(fd_, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0); }
bool UdpSocket::SetBroadcast(bool on) { return SetIntOption(fd_, SOL_SOCKET, SO_BROADCAST, on ? 1 : 0); }
bool UdpSocket::SetMulticastTtl(int ttl) { return SetIntOption(fd_, IPPROTO_IP, IP_MULTICAST_TTL, ttl); }
bool UdpSocket::SetMulticastLoop(bool on) { return SetIntOption(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0); }

bool UdpSocket::SetMulticastAll(bool on) { return SetIntOption(fd_, IPPROTO_IP, IP_MULTICAST_ALL, on ? 1 : 0); }
bool UdpSocket::SetPacketInfo(bool on) { return SetIntOption(fd_, IPPROTO_IP, IP_PKTINFO, on ? 1 : 0); }

bool UdpSocket::BindToDevice(std::string_view interfaceName) {
    const std::string name(interfaceName);
    return setsockopt(fd_, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(), static_cast<socklen_t>(name.size())) == 0;
}

bool UdpSocket::JoinGroupOnInterface(std::string_view group, int interfaceIndex) {
    const auto groupAddress = ParseAddress(group);
    if (!groupAddress) return false;
    ip_mreqn request{};
    request.imr_multiaddr = *groupAddress;
    request.imr_ifindex = interfaceIndex;
    return setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0;
}

bool UdpSocket::SetMulticastInterface(std::string_view address) {
    const auto parsed = ParseAddress(address);
    if (!parsed) return false;
    return setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &*parsed, sizeof *parsed) == 0;
}

bool UdpSocket::JoinGroup(std::string_view group, std::string_view interfaceAddress) {
    const auto groupAddress = ParseAddress(group);
    const auto interface = ParseAddress(interfaceAddress);
    if (!groupAddress || !interface) return false;
    ip_mreq request{};
    request.imr_multiaddr = *groupAddress;
    request.imr_interface = *interface;
    return setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0;
}

int UdpSocket::GrowReceiveBuffer(int bytes) {
    // SO_RCVBUFFORCE passes the system cap when we may; otherwise take what
    // SO_RCVBUF grants.
    if (!SetIntOption(fd_, SOL_SOCKET, SO_RCVBUFFORCE, bytes)) SetIntOption(fd_, SOL_SOCKET, SO_RCVBUF, bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0) return 0;
    return granted;
}

bool UdpSocket::Bind(std::string_view address, std::uint16_t port) {
    const auto parsed = ParseAddress(address);
    if (!parsed) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = *parsed;
    local.sin_port = htons(port);
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}

std::string UdpSocket::LocalAddress() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return {};
    return AddressText(local.sin_addr);
}

long UdpSocket::SendTo(const UdpEndpoint& destination, std::span<const std::uint8_t> bytes) {
    const auto parsed = ParseAddress(destination.address);
    if (!parsed || fd_ < 0) return -1;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr = *parsed;
    remote.sin_port = htons(destination.port);
    return ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&remote),
                    sizeof remote);
}

long UdpSocket::SendTo(const UdpEndpoint& destination, std::string_view text) {
    return SendTo(destination, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool UdpSocket::WaitReadable(std::chrono::microseconds wait) {
    if (fd_ < 0) return false;
    pollfd entry{fd_, POLLIN, 0};
    const auto micros = std::max<std::int64_t>(wait.count(), 0);
    timespec timeout{static_cast<time_t>(micros / 1000000), static_cast<long>((micros % 1000000) * 1000)};
    for (;;) {
        const int ready = ppoll(&entry, 1, &timeout, nullptr);
        if (ready > 0) return true;
        // An interrupted wait is not silence; anything else ends the wait.
        // (ppoll does not update the remaining time, so a signal may lengthen
        // the wait by at most one period.)
        if (ready < 0 && errno == EINTR) continue;
        return false;
    }
}

std::optional<ReceivedDatagram> UdpSocket::Receive(std::span<std::uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    sockaddr_in sender{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const auto received = ::recvmsg(fd_, &message, MSG_DONTWAIT);
    if (received < 0) return std::nullopt;
    ReceivedDatagram datagram{static_cast<std::size_t>(received), AddressText(sender.sin_addr), ntohs(sender.sin_port),
                              {}, 0};
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) continue;
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(header), sizeof info);
        datagram.destinationAddress = AddressText(info.ipi_addr);
        datagram.interfaceIndex = info.ipi_ifindex;
    }
    return datagram;
}

std::optional<LocalInterface> InterfaceOfAddress(std::string_view address) {
    const auto wanted = ParseAddress(address);
    if (!wanted) return std::nullopt;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::optional<LocalInterface> exact;
    std::optional<LocalInterface> containing;
    for (const ifaddrs* entry = list; entry != nullptr && !exact; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || entry->ifa_netmask == nullptr)
            continue;
        const auto own = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        const auto mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
        const bool same = own == wanted->s_addr;
        if (!same && (containing || (own & mask) != (wanted->s_addr & mask))) continue;
        LocalInterface found;
        found.name = entry->ifa_name;
        found.index = static_cast<int>(if_nametoindex(entry->ifa_name));
        found.address = AddressText(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr);
        if ((entry->ifa_flags & IFF_BROADCAST) != 0 && entry->ifa_broadaddr != nullptr &&
            entry->ifa_broadaddr->sa_family == AF_INET)
            found.broadcastAddress = AddressText(reinterpret_cast<const sockaddr_in*>(entry->ifa_broadaddr)->sin_addr);
        (same ? exact : containing) = std::move(found);
    }
    freeifaddrs(list);
    if (exact) return exact;
    return containing;
}

std::vector<std::string> LocalIpv4Addresses() {
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};  // no lookup, no sockets
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        if ((entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const auto& address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        if ((ntohl(address.s_addr) >> 24) == 127) continue;
        addresses.push_back(AddressText(address));
    }
    freeifaddrs(list);
    if (addresses.empty()) addresses.push_back("127.0.0.1");
    return addresses;
}

}  // namespace ostrand
