#include "platform/net/tcp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

#include "platform/stop_signal.h"

namespace ostrand::net {

namespace {

using Millis = std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// One system call, where reading and rewriting the flags would take two:
// a command opens a connection of its own, so this is paid per command.
bool SetBlocking(int fd, bool blocking) {
    int nonBlocking = blocking ? 0 : 1;
    return ::ioctl(fd, FIONBIO, &nonBlocking) == 0;
}

int PollTimeout(Millis wait) {
    if (wait.count() <= 0) return 0;
    if (wait.count() > 0x7FFFFFFF) return 0x7FFFFFFF;
    return static_cast<int>(wait.count());
}

// What PollFor gives when this thread's stop ended the wait.
constexpr int kStopped = -2;

// One poll() of the socket and, when one is installed, this thread's stop:
// kStopped when the stop is raised (it wins over a ready socket), otherwise
// what poll() gives for the socket alone.
int PollOnce(pollfd& entry, int timeoutMs) {
    const int stop = CurrentStopDescriptor();
    if (stop < 0) return ::poll(&entry, 1, timeoutMs);
    pollfd entries[2] = {entry, pollfd{stop, POLLIN, 0}};
    const int rc = ::poll(entries, 2, timeoutMs);
    if (rc > 0 && entries[1].revents != 0) return kStopped;
    entry.revents = entries[0].revents;
    return rc;
}

// PollOnce that resumes after signals with the remaining time.
int PollFor(pollfd& entry, Millis wait) {
    if (CurrentStopRaised()) return kStopped;
    const auto deadline = SteadyClock::now() + wait;
    for (;;) {
        // Rounded up so a wait never ends before its full time.
        const auto left = std::chrono::ceil<Millis>(deadline - SteadyClock::now());
        const int rc = PollOnce(entry, PollTimeout(left));
        if (rc >= 0 || rc == kStopped || errno != EINTR) return rc;
    }
}

std::optional<sockaddr_in> ParseAddress(const std::string& ipv4, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4.c_str(), &address.sin_addr) != 1) return std::nullopt;
    return address;
}

}  // namespace

TcpSocket::~TcpSocket() { Close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void TcpSocket::Close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<TcpSocket> TcpSocket::Connect(const std::string& ipv4, std::uint16_t port, Millis wait,
                                            int sendBufferSize) {
    const auto address = ParseAddress(ipv4, port);
    if (!address) return std::nullopt;
    // Non-blocking from the start, so the connection's wait is bounded.
    TcpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.Valid()) return std::nullopt;
    if (sendBufferSize > 0) {
        ::setsockopt(socket.fd_, SOL_SOCKET, SO_SNDBUF, &sendBufferSize, sizeof sendBufferSize);
    }
    const int rc = ::connect(socket.fd_, reinterpret_cast<const sockaddr*>(&*address), sizeof *address);
    if (rc != 0) {
        if (errno != EINPROGRESS) return std::nullopt;
        pollfd entry{socket.fd_, POLLOUT, 0};
        const int waited = PollFor(entry, wait);
        if (waited == kStopped) NoteStopped();
        if (waited <= 0) return std::nullopt;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket.fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            return std::nullopt;
        }
    }
    if (!SetBlocking(socket.fd_, true)) return std::nullopt;
    return socket;
}

void TcpSocket::CloseAnswered() noexcept {
    if (fd_ < 0) return;
    (void)SetLinger(false, 0);
    Close();
}

bool TcpSocket::SetLinger(bool on, int seconds) {
    linger value{on ? 1 : 0, seconds};
    return ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0;
}

bool TcpSocket::SendAll(std::string_view data) {
    if (CurrentStopDescriptor() >= 0) return SendAllUnlessStopped(data);
    while (!data.empty()) {
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool TcpSocket::SendAllUnlessStopped(std::string_view data) {
    while (!data.empty()) {
        if (CurrentStopRaised()) return Stop();
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) return false;  // EWOULDBLOCK is the same value here
        // The send buffer is full: wait for room as a blocking send would,
        // and for the stop.
        pollfd entry{fd_, POLLOUT, 0};
        const int rc = PollOnce(entry, -1);
        if (rc == kStopped) return Stop();
        if (rc < 0 && errno != EINTR) return false;
    }
    return true;
}

bool TcpSocket::Stop() noexcept {
    NoteStopped();
    Close();
    return false;
}

bool TcpSocket::SendAll(std::string_view data, Millis wait) {
    while (!data.empty()) {
        pollfd entry{fd_, POLLOUT, 0};
        const int rc = PollFor(entry, wait);
        if (rc == kStopped) return Stop();
        if (rc <= 0 || (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
        const ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

WaitResult TcpSocket::WaitReadable(Millis wait) {
    pollfd entry{fd_, POLLIN, 0};
    const int rc = PollFor(entry, wait);
    if (rc == kStopped) {
        (void)Stop();
        return WaitResult::Stopped;
    }
    if (rc < 0) return WaitResult::WaitFailed;
    if (rc == 0) return WaitResult::TimedOut;
    if ((entry.revents & POLLNVAL) != 0) return WaitResult::WaitFailed;
    // Data waiting to be read is delivered first; a bare error reports the error.
    if ((entry.revents & POLLIN) != 0) return WaitResult::Ready;
    if ((entry.revents & POLLERR) != 0) return WaitResult::ErrorCondition;
    return WaitResult::Ready;  // hang-up: the receive reports the closed connection
}

std::ptrdiff_t TcpSocket::Receive(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, size, 0);
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}

std::optional<std::ptrdiff_t> TcpSocket::ReceiveIfWaiting(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::recv(fd_, buffer, size, MSG_DONTWAIT);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return std::nullopt;  // EWOULDBLOCK is the same value here
        return -1;
    }
}

TcpListener::~TcpListener() { Close(); }

TcpListener::TcpListener(TcpListener&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(other.port_) {}

TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        port_ = other.port_;
    }
    return *this;
}

void TcpListener::Close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::optional<TcpListener> TcpListener::Listen(const std::string& ipv4, std::uint16_t port, int backlog) {
    auto address = ParseAddress(ipv4, port);
    if (!address) return std::nullopt;
    TcpListener listener;
    listener.fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener.fd_ < 0) return std::nullopt;
    const int reuse = 1;
    ::setsockopt(listener.fd_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(listener.fd_, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) return std::nullopt;
    if (::listen(listener.fd_, backlog) != 0) return std::nullopt;
    socklen_t length = sizeof *address;
    if (::getsockname(listener.fd_, reinterpret_cast<sockaddr*>(&*address), &length) != 0) return std::nullopt;
    listener.port_ = ntohs(address->sin_port);
    return listener;
}

std::optional<TcpSocket> TcpListener::Accept(Millis wait) {
    pollfd entry{fd_, POLLIN, 0};
    if (PollFor(entry, wait) <= 0) return std::nullopt;
    const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return TcpSocket(fd);
}

}  // namespace ostrand::net
