#pragma once
// The HTTP connection of a motion-JPEG stream, read by the decoder through a
// custom I/O context. Every wait (connect, reply header, each read) ends at a
// deadline the caller gives, or at once when the stop signal is raised, so a
// silent or stalled camera never holds the decoding thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ops/video/stream_end.h"
#include "ops/video/stream_url.h"
#include "platform/net/tcp_socket.h"

namespace ostrand::video {

using StreamClock = std::chrono::steady_clock;

// A one-way flag that also wakes every wait on its descriptor (an eventfd).
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Raise();
    bool Raised() const { return raised_.load(std::memory_order_acquire); }
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
    std::atomic<bool> raised_{false};
};

class HttpStreamReader {
public:
    static constexpr std::size_t kMaxHeaderBytes = 8192;

    explicit HttpStreamReader(const StopSignal& stop) : stop_(stop) {}

    // Connects, sends the GET and reads the reply header, all before
    // `deadline`. None on a "200" reply; body bytes that came with the
    // header are kept for Read.
    StreamEnd Open(const HttpUrl& url, StreamClock::time_point deadline);

    // Reads up to `size` bytes, waiting until `deadline`: > 0 bytes, or 0
    // with `end` set (Closed, Stalled, Stopped, ...).
    std::size_t Read(std::uint8_t* buffer, std::size_t size, StreamClock::time_point deadline, StreamEnd& end);

    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    // Waits for `events` on the socket; None when ready.
    StreamEnd Wait(short events, StreamClock::time_point deadline, StreamEnd onTimeout);

    const StopSignal& stop_;
    net::TcpSocket socket_;
    std::string pending_;  // body bytes read with the header
    std::size_t pendingAt_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace ostrand::video
