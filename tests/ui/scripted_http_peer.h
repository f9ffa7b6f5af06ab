#pragma once
// A device's HTTP form interface reduced to one scripted answer: it accepts
// connections on a loopback address, records each request line and answers
// every request with status 200 and the body it was given. Every wait is
// bounded; the destructor stops it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrand::test {

class ScriptedHttpPeer {
public:
    // Port 0 lets the system choose. Listening() is false when the address
    // and port cannot be had.
    explicit ScriptedHttpPeer(std::string body, const char* address = "127.0.0.1", std::uint16_t port = 0)
        : body_(std::move(body)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return;
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &local.sin_addr);
        socklen_t length = sizeof local;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        port_ = ntohs(local.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedHttpPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }
    ScriptedHttpPeer(const ScriptedHttpPeer&) = delete;
    ScriptedHttpPeer& operator=(const ScriptedHttpPeer&) = delete;

    bool Listening() const { return fd_ >= 0; }
    std::uint16_t Port() const { return port_; }
    void SetBody(std::string body) {
        std::lock_guard lock(mutex_);
        body_ = std::move(body);
    }
    std::vector<std::string> RequestLines() const {
        std::lock_guard lock(mutex_);
        return requestLines_;
    }
    std::size_t Requests() const { return RequestLines().size(); }

private:
    static bool WaitReadable(int fd, int milliseconds) {
        pollfd entry{fd, POLLIN, 0};
        return ::poll(&entry, 1, milliseconds) > 0;
    }

    void Serve() {
        while (!stop_) {
            if (!WaitReadable(fd_, 20)) continue;
            const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            Answer(connection);
            ::close(connection);
        }
    }

    void Answer(int connection) {
        std::string request;
        char buffer[2048];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (request.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline &&
               request.size() < 65536) {
            if (!WaitReadable(connection, 50)) continue;
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        std::string body;
        {
            std::lock_guard lock(mutex_);
            requestLines_.push_back(request.substr(0, request.find("\r\n")));
            body = body_;
        }
        const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                                  std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        std::size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n = ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string body_;
    std::vector<std::string> requestLines_;
    std::thread thread_;
};

}  // namespace ostrand::test
