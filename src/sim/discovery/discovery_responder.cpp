#include "sim/discovery/discovery_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace ostrand::sim {

struct DiscoveryResponder::Listener {
    explicit Listener(net::io_context& io) : socket(io) {}
    udp::socket socket;
    bool scan = true;
};

namespace {

constexpr std::size_t kRequestBufferSize = 1500;
constexpr int kSendBufferBytes = 8 * 1024 * 1024;

std::string MacWithColons(const std::string& mac) {
    std::string text;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        if (i > 0 && i % 2 == 0) text.push_back(':');
        const char c = mac[i];
        text.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    return text;
}

}  // namespace

std::string HdsReplyText(const DeviceRecord& record, std::int32_t sequence) {
    std::string text = "HDS/1.0 200 OK\r\nCSeq:" + std::to_string(sequence) + "\r\n";
    text += "MAC=" + MacWithColons(FieldText(record.mac)) + "\r\n";
    text += "IP=" + FieldText(record.ip) + "\r\n";
    text += "MASK=" + FieldText(record.subnetMask) + "\r\n";
    text += "Gateway=" + FieldText(record.gateway) + "\r\n";
    text += "Software-Version=" + FieldText(record.version) + "\r\n\r\n";
    return text;
}

std::vector<std::uint8_t> ScanReplyBytes(const DeviceRecord& record, const DiscoveryFaults& faults) {
    const auto bytes = record.ToBytes();
    const auto length = static_cast<std::size_t>(std::clamp(faults.scanReplyLength, 0, 1500));
    std::vector<std::uint8_t> reply(length, 0);
    std::copy_n(bytes.begin(), std::min(length, bytes.size()), reply.begin());
    if (faults.longMac) {
        // Thirteen characters running over into the ip field.
        static constexpr std::string_view kLongMac = "0123456789ABC";
        for (std::size_t i = 0; i < kLongMac.size() && i < reply.size(); ++i)
            reply[i] = static_cast<std::uint8_t>(kLongMac[i]);
    }
    return reply;
}

DiscoveryResponder::DiscoveryResponder(net::io_context& io, DiscoveryResponderConfig config,
                                       DiscoveryEntrySource source)
    : io_(io), config_(std::move(config)), source_(std::move(source)) {}

DiscoveryResponder::~DiscoveryResponder() { Stop(); }

bool DiscoveryResponder::Start(std::string* error) {
    auto open = [&](std::uint16_t port, bool scan, std::uint16_t& boundPort) -> std::unique_ptr<Listener> {
        auto listener = std::make_unique<Listener>(io_);
        listener->scan = scan;
        boost::system::error_code ec;
        const auto address = net::ip::make_address_v4(config_.bindAddress, ec);
        if (!ec) listener->socket.open(udp::v4(), ec);
        if (!ec) listener->socket.set_option(udp::socket::reuse_address(true), ec);
        if (!ec) listener->socket.set_option(udp::socket::broadcast(true), ec);
        if (!ec) listener->socket.bind(udp::endpoint(address, port), ec);
        if (!ec && !config_.group.empty()) {
            const auto group = net::ip::make_address_v4(config_.group, ec);
            if (!ec) listener->socket.set_option(net::ip::multicast::join_group(group), ec);
        }
        if (!ec) listener->socket.non_blocking(true, ec);
        if (ec) {
            if (error) *error = std::string(scan ? "scan" : "HDS") + " responder: " + ec.message();
            return nullptr;
        }
        const int fd = listener->socket.native_handle();
        int size = kSendBufferBytes;
        if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &size, sizeof size) != 0)
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        // Each datagram is answered from the device's own address, chosen per
        // reply through the packet-info control message.
        int on = 1;
        setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        boundPort = listener->socket.local_endpoint(ec).port();
        return listener;
    };
    scan_ = open(config_.scanPort, true, scanPort_);
    if (!scan_) return false;
    hds_ = open(config_.hdsPort, false, hdsPort_);
    if (!hds_) {
        scan_.reset();
        return false;
    }
    Arm(*scan_);
    Arm(*hds_);
    return true;
}

void DiscoveryResponder::Stop() {
    boost::system::error_code ignored;
    if (scan_) scan_->socket.close(ignored);
    if (hds_) hds_->socket.close(ignored);
}

void DiscoveryResponder::Arm(Listener& listener) {
    listener.socket.async_wait(udp::socket::wait_read, [this, &listener](const boost::system::error_code& ec) {
        if (ec || !listener.socket.is_open()) return;
        Drain(listener);
        Arm(listener);
    });
}

void DiscoveryResponder::Drain(Listener& listener) {
    std::array<char, kRequestBufferSize> buffer{};
    for (;;) {
        udp::endpoint peer;
        boost::system::error_code ec;
        const auto length = listener.socket.receive_from(net::buffer(buffer), peer, 0, ec);
        if (ec) return;  // would block: everything queued has been answered
        const std::string_view request(buffer.data(), length);
        if (listener.scan) {
            // Devices answer the request text "pc scan"; anything else is not for them.
            if (request.substr(0, 7) == "pc scan") AnswerScan(listener, peer);
        } else if (request.starts_with("SEARCH * HDS/1.0")) {
            AnswerHds(listener, peer, request);
        }
    }
}

udp::endpoint DiscoveryResponder::ReplyDestination(const udp::endpoint& peer, bool toAll, bool scan) const {
    // Broadcast and multicast only where the group was joined: never from the
    // machine's own network.
    if (!toAll || config_.group.empty()) return peer;
    boost::system::error_code ec;
    const auto address = scan ? net::ip::address_v4::broadcast() : net::ip::make_address_v4(config_.group, ec);
    if (ec) return peer;
    return udp::endpoint(address, peer.port());
}

void DiscoveryResponder::AnswerScan(Listener& listener, const udp::endpoint& peer) {
    ++scanRequests_;
    std::vector<OutgoingReply> replies;
    for (const auto& entry : source_()) {
        if (!entry.faults.answerScan) continue;
        const auto bytes = ScanReplyBytes(entry.record, entry.faults);
        const auto destination = ReplyDestination(peer, entry.faults.answerToAll, true);
        for (int copy = 0; copy < std::max(entry.faults.repeat, 1); ++copy)
            replies.push_back({entry.address, std::string(bytes.begin(), bytes.end()), destination});
    }
    SendAll(listener, replies);
}

void DiscoveryResponder::AnswerHds(Listener& listener, const udp::endpoint& peer, std::string_view request) {
    ++hdsRequests_;
    std::int32_t sequence = 0;
    if (const auto at = request.find("CSeq:"); at != std::string_view::npos)
        sequence = std::atoi(std::string(request.substr(at + 5, 11)).c_str());
    std::vector<OutgoingReply> replies;
    for (const auto& entry : source_()) {
        if (!entry.faults.answerHds) continue;
        const auto text = HdsReplyText(entry.record, sequence);
        const auto destination = ReplyDestination(peer, entry.faults.answerToAll, false);
        for (int copy = 0; copy < std::max(entry.faults.repeat, 1); ++copy)
            replies.push_back({entry.address, text, destination});
    }
    SendAll(listener, replies);
}

void DiscoveryResponder::SendAll(Listener& listener, const std::vector<OutgoingReply>& replies) {
    // Thousands of devices answer at once: hand the kernel a batch of
    // datagrams per call, each with the device's address as its source.
    constexpr std::size_t kBatch = 256;
    constexpr std::size_t kControlSize = CMSG_SPACE(sizeof(in_pktinfo));
    std::vector<sockaddr_in> destinations(kBatch);
    std::vector<mmsghdr> messages(kBatch);
    std::vector<iovec> parts(kBatch);
    std::vector<std::array<char, kControlSize>> controls(kBatch);
    const int fd = listener.socket.native_handle();
    for (std::size_t first = 0; first < replies.size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, replies.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& reply = replies[first + i];
            parts[i] = iovec{const_cast<char*>(reply.bytes.data()), reply.bytes.size()};
            sockaddr_in& destination = destinations[i];
            destination = sockaddr_in{};
            destination.sin_family = AF_INET;
            destination.sin_port = htons(reply.destination.port());
            destination.sin_addr.s_addr = htonl(reply.destination.address().to_v4().to_uint());
            msghdr& message = messages[i].msg_hdr;
            message = msghdr{};
            message.msg_name = &destination;
            message.msg_namelen = sizeof destination;
            message.msg_iov = &parts[i];
            message.msg_iovlen = 1;
            in_pktinfo info{};
            if (inet_pton(AF_INET, reply.source.c_str(), &info.ipi_spec_dst) == 1) {
                controls[i].fill(0);
                message.msg_control = controls[i].data();
                message.msg_controllen = kControlSize;
                cmsghdr* header = CMSG_FIRSTHDR(&message);
                header->cmsg_level = IPPROTO_IP;
                header->cmsg_type = IP_PKTINFO;
                header->cmsg_len = CMSG_LEN(sizeof info);
                std::memcpy(CMSG_DATA(header), &info, sizeof info);
            }
        }
        std::size_t sent = 0;
        int stalls = 0;
        while (sent < count) {
            const int result = ::sendmmsg(fd, messages.data() + sent, static_cast<unsigned>(count - sent), MSG_NOSIGNAL);
            if (result > 0) {
                sent += static_cast<std::size_t>(result);
                stalls = 0;
                continue;
            }
            if ((errno == EAGAIN || errno == ENOBUFS) && ++stalls < 100) {
                // The send queue is full for a moment; let it drain.
                pollfd entry{fd, POLLOUT, 0};
                ::poll(&entry, 1, 10);
                continue;
            }
            // This datagram cannot go (e.g. its source address is not ours):
            // count it and carry on with the rest.
            ++sendFailures_;
            ++sent;
            stalls = 0;
        }
    }
}

}  // namespace ostrand::sim
