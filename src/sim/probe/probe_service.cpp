#include "sim/probe/probe_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstring>

namespace ostrand::sim {

struct ProbeService::Listener {
    explicit Listener(net::io_context& io) : socket(io) {}
    udp::socket socket;
    bool second = false;
    std::array<char, 2048> buffer{};
    udp::endpoint peer;
};

namespace {

bool SharesTheMachinesNetwork() {
    struct stat own {}, machine {};
    if (stat("/proc/self/ns/net", &own) != 0 || stat("/proc/1/ns/net", &machine) != 0) return false;
    return own.st_ino == machine.st_ino && own.st_dev == machine.st_dev;
}

bool AllOnLoopback(Simulator& simulator) {
    for (const auto& device : simulator.Devices().Devices())
        if ((device->Address().to_uint() >> 24) != 127) return false;
    return true;
}

std::string Element(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + std::string(value) + "</" + std::string(name) + ">";
}

// The text between <Uuid> and </Uuid>, or nothing.
std::string_view UuidOf(std::string_view request) {
    const auto start = request.find("<Uuid>");
    const auto end = request.find("</Uuid>");
    if (start == std::string_view::npos || end == std::string_view::npos || end < start + 6) return {};
    return request.substr(start + 6, end - start - 6);
}

// Sends from `source` (one of the namespace's addresses) to `peer`.
bool SendFrom(int fd, const std::string& source, const udp::endpoint& peer, const std::string& bytes) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(peer.port());
    destination.sin_addr.s_addr = htonl(peer.address().to_v4().to_uint());
    iovec part{const_cast<char*>(bytes.data()), bytes.size()};
    std::array<char, CMSG_SPACE(sizeof(in_pktinfo))> control{};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    in_pktinfo info{};
    if (inet_pton(AF_INET, source.c_str(), &info.ipi_spec_dst) == 1) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return ::sendmsg(fd, &message, MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

}  // namespace

std::string ProbeMatchText(const TemperaIdentity& identity, std::uint16_t servicePort, bool second,
                           std::string_view uuid) {
    std::string text = second ? R"(<?xml version="1.0" encoding="GBK"?>)" : R"(<?xml version="1.0" encoding="utf-8"?>)";
    text += "<ProbeMatch>";
    text += Element("Uuid", uuid);
    text += Element("Types", "inquiry");
    text += Element("DeviceType", identity.deviceType);
    text += Element("DeviceDescription", identity.model);
    text += Element("DeviceSN", identity.serial);
    text += Element("SvcPort", std::to_string(servicePort));
    text += Element("IPv4Address", identity.ip);
    text += Element("MAC", identity.mac);
    text += Element("DHCP", identity.dhcp ? "true" : "false");
    text += "</ProbeMatch>";
    return text;
}

ProbeService::ProbeService(ProbeServiceConfig config) : config_(std::move(config)) {}
ProbeService::~ProbeService() { Stop(); }

void ProbeService::Start(Simulator& simulator) {
    simulator_ = &simulator;
    auto config = config_;
    // Group membership announces itself on the network: only inside a
    // private namespace.
    if (!config.group.empty() && (AllOnLoopback(simulator) || SharesTheMachinesNetwork())) {
        config.group.clear();
        config.bindAddress = "127.0.0.1";
    }
    auto open = [&](std::uint16_t port, bool second, std::uint16_t& bound) -> std::unique_ptr<Listener> {
        auto listener = std::make_unique<Listener>(simulator.Context());
        listener->second = second;
        boost::system::error_code ec;
        const auto address = net::ip::make_address_v4(config.bindAddress, ec);
        if (!ec) listener->socket.open(udp::v4(), ec);
        if (!ec) listener->socket.set_option(udp::socket::reuse_address(true), ec);
        if (!ec) listener->socket.bind(udp::endpoint(address, port), ec);
        if (!ec && !config.group.empty()) {
            const auto group = net::ip::make_address_v4(config.group, ec);
            if (!ec) listener->socket.set_option(net::ip::multicast::join_group(group), ec);
        }
        if (ec) {
            error_ = "probe port " + std::to_string(port) + ": " + ec.message();
            return nullptr;
        }
        bound = listener->socket.local_endpoint(ec).port();
        return listener;
    };
    first_ = open(config.firstPort, false, firstPort_);
    second_ = first_ ? open(config.secondPort, true, secondPort_) : nullptr;
    if (!first_ || !second_) {
        first_.reset();
        std::fprintf(stderr, "ostrand-devsim: no probe answers: %s\n", error_.c_str());
        return;
    }
    Arm(*first_);
    Arm(*second_);
}

void ProbeService::Stop() {
    boost::system::error_code ignored;
    if (first_) first_->socket.close(ignored);
    if (second_) second_->socket.close(ignored);
}

void ProbeService::Arm(Listener& listener) {
    listener.socket.async_receive_from(
        net::buffer(listener.buffer), listener.peer,
        [this, &listener](const boost::system::error_code& ec, std::size_t length) {
            if (ec == net::error::operation_aborted || !listener.socket.is_open()) return;
            if (!ec) Answer(listener, std::string_view(listener.buffer.data(), length), listener.peer);
            Arm(listener);
        });
}

void ProbeService::Answer(Listener& listener, std::string_view request, const udp::endpoint& peer) {
    if (request.find("<Probe>") == std::string_view::npos ||
        request.find("<Types>inquiry</Types>") == std::string_view::npos)
        return;
    ++probes_;
    const auto uuid = UuidOf(request);
    for (const auto& device : simulator_->Devices().Devices()) {
        const auto identity = TemperaOf(*device);
        if (!identity || !(listener.second ? identity->answerSecond : identity->answerFirst)) continue;
        const auto text = ProbeMatchText(*identity, device->Port(), listener.second, uuid);
        for (int copy = 0; copy < std::max(identity->repeat, 1); ++copy)
            SendFrom(listener.socket.native_handle(), device->AddressText(), peer, text);
    }
}

}  // namespace ostrand::sim
