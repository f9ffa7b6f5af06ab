#include "ops/video/http_stream_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ostrand::video {

StopSignal::StopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (fd_ >= 0) close(fd_);
}

void StopSignal::Raise() {
    raised_.store(true, std::memory_order_release);
    if (fd_ >= 0) {
        const std::uint64_t one = 1;
        // A full counter still leaves the descriptor readable: nothing to retry.
        [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
    }
}

StreamEnd HttpStreamReader::Wait(short events, StreamClock::time_point deadline, StreamEnd onTimeout) {
    for (;;) {
        if (stop_.Raised()) return StreamEnd::Stopped;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - StreamClock::now());
        if (left.count() <= 0) return onTimeout;
        pollfd fds[2] = {{socket_.Descriptor(), events, 0}, {stop_.Descriptor(), POLLIN, 0}};
        const int ready = poll(fds, 2, static_cast<int>(std::min<std::int64_t>(left.count() + 1, 60'000)));
        if (ready < 0 && errno != EINTR) return StreamEnd::Closed;
        if (ready <= 0) continue;
        if (fds[1].revents != 0) return StreamEnd::Stopped;
        if (fds[0].revents != 0) return StreamEnd::None;
    }
}

StreamEnd HttpStreamReader::Open(const HttpUrl& url, StreamClock::time_point deadline) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(url.port);
    if (!url.ok || inet_pton(AF_INET, url.host.c_str(), &address.sin_addr) != 1) return StreamEnd::BadAddress;
    socket_ = net::TcpSocket(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket_.Valid()) return StreamEnd::NoConnection;

    // Connect without blocking, so the stop signal and the deadline both end the wait.
    if (connect(socket_.Descriptor(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == ECONNREFUSED) return StreamEnd::Refused;
        if (errno != EINPROGRESS) return StreamEnd::NoConnection;
        if (const StreamEnd waited = Wait(POLLOUT, deadline, StreamEnd::NoConnection); waited != StreamEnd::None) {
            return waited;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(socket_.Descriptor(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error == ECONNREFUSED) return StreamEnd::Refused;
        if (error != 0) return StreamEnd::NoConnection;
    }

    const std::string request = "GET " + url.target + " HTTP/1.0\r\nHost: " + url.host + ":" +
                                std::to_string(url.port) + "\r\nUser-Agent: ostrand\r\nConnection: close\r\n\r\n";
    for (std::size_t sent = 0; sent < request.size();) {
        if (const StreamEnd waited = Wait(POLLOUT, deadline, StreamEnd::NoConnection); waited != StreamEnd::None) {
            return waited;
        }
        const ssize_t n = send(socket_.Descriptor(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) return StreamEnd::Closed;
        if (n > 0) sent += static_cast<std::size_t>(n);
    }

    // The reply header, bounded in size and time.
    std::string header;
    std::size_t end = std::string::npos;
    while ((end = header.find("\r\n\r\n")) == std::string::npos) {
        if (header.size() >= kMaxHeaderBytes) return StreamEnd::NotAStream;
        if (const StreamEnd waited = Wait(POLLIN, deadline, StreamEnd::Stalled); waited != StreamEnd::None) {
            return waited;
        }
        char chunk[2048];
        const ssize_t n = recv(socket_.Descriptor(), chunk, sizeof chunk, 0);
        if (n == 0) return StreamEnd::Closed;
        if (n < 0 && errno != EAGAIN && errno != EINTR) return StreamEnd::Closed;
        if (n > 0) header.append(chunk, static_cast<std::size_t>(n));
    }
    pending_ = header.substr(end + 4);
    header.resize(end);
    // "HTTP/1.x 200 ..."
    if (header.compare(0, 5, "HTTP/") != 0) return StreamEnd::NotAStream;
    const std::size_t space = header.find(' ');
    if (space == std::string::npos || header.compare(space + 1, 3, "200") != 0) return StreamEnd::NotAStream;
    return StreamEnd::None;
}

std::size_t HttpStreamReader::Read(std::uint8_t* buffer, std::size_t size, StreamClock::time_point deadline,
                                   StreamEnd& end) {
    end = StreamEnd::None;
    if (pendingAt_ < pending_.size()) {
        const std::size_t n = std::min(size, pending_.size() - pendingAt_);
        std::memcpy(buffer, pending_.data() + pendingAt_, n);
        pendingAt_ += n;
        bytesRead_ += n;
        return n;
    }
    for (;;) {
        if (end = Wait(POLLIN, deadline, StreamEnd::Stalled); end != StreamEnd::None) return 0;
        const ssize_t n = recv(socket_.Descriptor(), buffer, size, 0);
        if (n > 0) {
            bytesRead_ += static_cast<std::uint64_t>(n);
            return static_cast<std::size_t>(n);
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            end = StreamEnd::Closed;
            return 0;
        }
    }
}

}  // namespace ostrand::video
