#include "bare_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "transport/frames.h"

namespace ostrand::bench {
namespace {

sockaddr_in AddressOf(const std::string& ip, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
    return address;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t wrote = ::write(fd, data, size);
        if (wrote <= 0) return false;
        data += wrote;
        size -= static_cast<std::size_t>(wrote);
    }
    return true;
}

// Reads exactly one frame into `buffer` (kept between calls); false at the end.
bool ReadFrame(int fd, std::string& buffer) {
    buffer.resize(kFrameLengthSize);
    std::size_t filled = 0;
    for (;;) {
        const FrameProbe probe = ProbeFrame(std::string_view(buffer.data(), filled), kExportMaxFrameSize);
        if (probe.state == FrameState::Complete) return true;
        if (probe.state == FrameState::Invalid) return false;
        const std::size_t wanted = filled < kFrameLengthSize ? kFrameLengthSize : probe.totalSize;
        if (buffer.size() < wanted) buffer.resize(wanted);
        const ssize_t got = ::read(fd, buffer.data() + filled, wanted - filled);
        if (got <= 0) return false;
        filled += static_cast<std::size_t>(got);
    }
}

int ConnectTo(const std::string& ip, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const sockaddr_in address = AddressOf(ip, port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

BareServer::BareServer(const std::string& ip, std::string reply, std::string exportRequest,
                       std::vector<std::string> packets)
    : reply_(std::move(reply)), exportRequest_(std::move(exportRequest)), packets_(std::move(packets)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address = AddressOf(ip, 0);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 128) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("bare server");
        return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

BareServer::~BareServer() {
    // Unblocks the accept.
    ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
}

void BareServer::Serve() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        Answer(fd);
        ::close(fd);
    }
}

void BareServer::Answer(int fd) {
    std::string frame;
    if (!ReadFrame(fd, frame)) return;
    if (frame == exportRequest_) {
        for (const std::string& packet : packets_) {
            if (!WriteAll(fd, packet.data(), packet.size()) || !ReadFrame(fd, frame)) return;
        }
    } else if (!WriteAll(fd, reply_.data(), reply_.size())) {
        return;
    }
    // The client closes first, as the tool does.
    char rest[256];
    while (::read(fd, rest, sizeof rest) > 0) {
    }
}

bool BareCommand(const std::string& ip, std::uint16_t port, const std::string& request) {
    const int fd = ConnectTo(ip, port);
    if (fd < 0) return false;
    std::string reply;
    const bool ok = WriteAll(fd, request.data(), request.size()) && ReadFrame(fd, reply);
    ::close(fd);
    return ok;
}

bool BareExport(const std::string& ip, std::uint16_t port, const std::string& request, const std::string& ack,
                std::size_t packetCount, const std::filesystem::path& target) {
    const int fd = ConnectTo(ip, port);
    if (fd < 0) return false;
    const std::filesystem::path temporary = target.string() + ".part";
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = out >= 0 && WriteAll(fd, request.data(), request.size());
    std::string frame;
    for (std::size_t n = 0; ok && n < packetCount; ++n) {
        ok = ReadFrame(fd, frame) && WriteAll(fd, ack.data(), ack.size()) &&
             WriteAll(out, frame.data() + kExportDataHeaderSize, frame.size() - kExportDataHeaderSize);
    }
    ::close(fd);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok && ::rename(temporary.c_str(), target.c_str()) == 0;
}

}  // namespace ostrand::bench
