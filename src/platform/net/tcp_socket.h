#pragma once
// IPv4 TCP sockets for the device channels, used synchronously with bounded
// waits. Each object owns its descriptor and closes it when destroyed.
//
// Every wait (connect, readable, room to send) also ends at once when the
// calling thread's stop (platform/stop_signal.h) is raised: the socket is then
// closed and the call fails as it does when the device does not answer.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand::net {

enum class WaitResult : std::uint8_t {
    Ready,           // readable (data, or the peer closed)
    TimedOut,
    ErrorCondition,  // the socket reports an error
    WaitFailed,      // the wait itself failed
    Stopped,         // this thread's stop was raised; the socket is closed
};

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) noexcept : fd_(fd) {}
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects without name resolution, waiting at most `wait` for the
    // connection; the socket is blocking afterwards. nullopt when the address is
    // not a dotted quad, the peer refuses, or the wait ends first.
    // `sendBufferSize` > 0 sets the send buffer before connecting.
    static std::optional<TcpSocket> Connect(const std::string& ipv4, std::uint16_t port,
                                            std::chrono::milliseconds wait,
                                            int sendBufferSize = 0);

    bool Valid() const noexcept { return fd_ >= 0; }
    int Descriptor() const noexcept { return fd_; }

    bool SetLinger(bool on, int seconds);
    // Sends every byte (no SIGPIPE); false on any error.
    bool SendAll(std::string_view data);
    // Sends every byte, giving up when no progress is possible within `wait`.
    bool SendAll(std::string_view data, std::chrono::milliseconds wait);
    WaitResult WaitReadable(std::chrono::milliseconds wait);
    // One receive: > 0 bytes, 0 when the peer closed, -1 on error.
    std::ptrdiff_t Receive(char* buffer, std::size_t size);
    // A receive that does not wait: nullopt when nothing is waiting yet,
    // otherwise what Receive would return. Saves the wait's system call when
    // a transfer is already queued.
    std::optional<std::ptrdiff_t> ReceiveIfWaiting(char* buffer, std::size_t size);
    void Close() noexcept;
    // Closes a connection whose peer has answered: what was sent has arrived,
    // so the close need not wait, as a linger would, for the peer to
    // acknowledge the end of the connection. The bytes on the wire are the same.
    void CloseAnswered() noexcept;

private:
    // The blocking send, made to wait for room by poll so the stop ends it.
    bool SendAllUnlessStopped(std::string_view data);
    // Notes the stop and closes the socket; false, for the failed call.
    bool Stop() noexcept;

    int fd_ = -1;
};

// A listening socket (tests and local peers).
class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(TcpListener&& other) noexcept;
    TcpListener& operator=(TcpListener&& other) noexcept;
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Port 0 picks a free port.
    static std::optional<TcpListener> Listen(const std::string& ipv4, std::uint16_t port, int backlog = 16);
    std::uint16_t Port() const noexcept { return port_; }
    // Waits at most `wait` for one connection.
    std::optional<TcpSocket> Accept(std::chrono::milliseconds wait);
    void Close() noexcept;

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace ostrand::net
