#include "sim/stream/stream_session.h"

#include <time.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "sim/behaviours/video/camera_access.h"
#include "sim/behaviours/video/jpeg_encoder.h"
#include "sim/behaviours/video/test_pattern.h"

namespace ostrand::sim {

namespace {

using namespace std::chrono_literals;
using video::StreamFault;
using video::StreamSettings;

constexpr std::size_t kRequestLimit = 8192;
constexpr auto kRequestWait = 10s;
// Filler bytes of an endless part per frame tick: fast enough that a reader's
// size cap is reached in a second or two, slow enough not to hog the thread.
constexpr std::size_t kEndlessChunk = 256 * 1024;
constexpr int kSendBuffer = 128 * 1024;

std::string PeerText(const tcp::socket& socket) {
    boost::system::error_code error;
    const auto peer = socket.remote_endpoint(error);
    if (error) return "?";
    return peer.address().to_string() + ":" + std::to_string(peer.port());
}

// Holds the journal entry of one stream connection open for its lifetime.
class JournalEntryScope {
public:
    JournalEntryScope(Journal& journal, const Device& device, std::uint16_t port, const std::string& peer)
        : journal_(journal), id_(journal.Open(device.AddressText(), port, peer, "video")) {}
    ~JournalEntryScope() { journal_.Close(id_); }
    JournalEntryScope(const JournalEntryScope&) = delete;
    JournalEntryScope& operator=(const JournalEntryScope&) = delete;
    Journal::EntryId Id() const { return id_; }

private:
    Journal& journal_;
    Journal::EntryId id_;
};

// Keeps the listener's connection count right on every way out.
class LoadScope {
public:
    explicit LoadScope(std::shared_ptr<StreamLoad> load) : load_(std::move(load)) { ++load_->open; }
    ~LoadScope() { --load_->open; }
    LoadScope(const LoadScope&) = delete;
    LoadScope& operator=(const LoadScope&) = delete;
    int Open() const { return load_->open; }

private:
    std::shared_ptr<StreamLoad> load_;
};

std::string ErrorResponse(int status, std::string_view reason) {
    const std::string body = std::to_string(status) + " " + std::string(reason) + "\n";
    return "HTTP/1.0 " + std::to_string(status) + " " + std::string(reason) +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// The channel a request line asks for: "GET /video/<n> HTTP/1.x" with n a
// channel the camera has. nullopt with the status to answer otherwise.
struct Asked {
    int channel = -1;
    int status = 200;
};

Asked ParseRequest(std::string_view head, int channels) {
    const std::size_t lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || !line.substr(second + 1).starts_with("HTTP/1.")) return {-1, 400};
    if (line.substr(0, first) != "GET") return {-1, 405};
    std::string_view path = line.substr(first + 1, second - first - 1);
    path = path.substr(0, path.find('?'));
    constexpr std::string_view kPrefix = "/video/";
    if (!path.starts_with(kPrefix)) return {-1, 404};
    const std::string_view number = path.substr(kPrefix.size());
    int channel = -1;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), channel);
    if (number.empty() || number.size() > 4 || error != std::errc() || end != number.data() + number.size() ||
        channel < 0 || channel >= channels) {
        return {-1, 404};
    }
    return {channel, 200};
}

std::string TimeOfDay() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    const auto hundredths =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000 / 10;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%02d", parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(hundredths));
    return text;
}

std::string PartHead(std::size_t length, bool withLength) {
    std::string head = std::string("--") + kStreamBoundary + "\r\nContent-Type: image/jpeg\r\n";
    if (withLength) head += "Content-Length: " + std::to_string(length) + "\r\n";
    return head + "\r\n";
}

// Reads the request head within its size and time bounds; empty when the
// peer left, sent too much, or took too long.
net::awaitable<std::string> ReadRequestHead(tcp::socket& socket, net::steady_timer& timer) {
    timer.expires_after(kRequestWait);
    timer.async_wait([&socket](const boost::system::error_code& error) {
        if (!error) {
            boost::system::error_code ignored;
            socket.cancel(ignored);
        }
    });
    std::string head;
    std::array<char, 2048> chunk;
    for (;;) {
        boost::system::error_code error;
        const std::size_t count =
            co_await socket.async_read_some(net::buffer(chunk), net::redirect_error(net::use_awaitable, error));
        if (error || count == 0) break;
        head.append(chunk.data(), count);
        if (head.find("\r\n\r\n") != std::string::npos) {
            timer.cancel();
            co_return head;
        }
        if (head.size() > kRequestLimit) break;
    }
    timer.cancel();
    co_return std::string();
}

// Waits until the given time; false when the wait was cut short.
net::awaitable<bool> WaitUntil(net::steady_timer& timer, std::chrono::steady_clock::time_point when) {
    timer.expires_at(when);
    boost::system::error_code error;
    co_await timer.async_wait(net::redirect_error(net::use_awaitable, error));
    co_return !error;
}

net::awaitable<bool> Write(tcp::socket& socket, std::string_view a, std::string_view b = {},
                           std::string_view c = {}) {
    const std::array<net::const_buffer, 3> buffers = {net::buffer(a.data(), a.size()),
                                                      net::buffer(b.data(), b.size()),
                                                      net::buffer(c.data(), c.size())};
    boost::system::error_code error;
    co_await net::async_write(socket, buffers, net::redirect_error(net::use_awaitable, error));
    co_return !error;
}

// Reads and drops whatever the peer sends until it leaves.
net::awaitable<void> HoldSilently(tcp::socket& socket) {
    std::array<char, 2048> chunk;
    for (;;) {
        boost::system::error_code error;
        const std::size_t count =
            co_await socket.async_read_some(net::buffer(chunk), net::redirect_error(net::use_awaitable, error));
        if (error || count == 0) break;
    }
}

// Paces frames: frame numbers follow the clock, so a slow reader skips
// frames instead of falling behind.
class FrameClock {
public:
    explicit FrameClock(int fps)
        : period_(std::chrono::nanoseconds(1'000'000'000 / fps)), start_(std::chrono::steady_clock::now()),
          next_(start_) {}
    std::chrono::steady_clock::time_point Next() const { return next_; }
    std::uint64_t FrameNumber(std::chrono::steady_clock::time_point now) const {
        return static_cast<std::uint64_t>((now - start_) / period_);
    }
    // After a frame went out: the next slot that still lies ahead.
    void Advance() {
        next_ += period_;
        const auto now = std::chrono::steady_clock::now();
        if (next_ <= now) next_ += period_ * ((now - next_) / period_ + 1);
    }

private:
    std::chrono::nanoseconds period_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point next_;
};

net::awaitable<void> SendFrames(tcp::socket& socket, net::steady_timer& timer, Device& device, int channel,
                                const StreamSettings& settings) {
    video::TestPattern pattern(settings.width, settings.height);
    video::JpegEncoder encoder(settings.width, settings.height);
    FrameClock clock(settings.fps);
    const std::string filler(settings.fault == StreamFault::EndlessFrame ? kEndlessChunk : 0, '\0');
    bool first = true;
    for (;;) {
        const bool waited = co_await WaitUntil(timer, clock.Next());
        if (!waited) co_return;
        const auto now = std::chrono::steady_clock::now();
        if (settings.fault == StreamFault::EndlessFrame && !first) {
            // The part that never ends: more bytes, never a boundary.
            const bool sent = co_await Write(socket, filler);
            if (!sent) co_return;
            clock.Advance();
            continue;
        }
        video::PatternFrame frame;
        frame.channel = channel;
        frame.frameNumber = clock.FrameNumber(now);
        frame.timeText = TimeOfDay();
        frame.ptz = video::WithCamera(device, [&](video::CameraVideoState& state) { return state.head.PositionAt(now); });
        pattern.Draw(frame);
        std::string_view jpeg = encoder.Encode(pattern);
        bool sent = false;
        switch (settings.fault) {
            case StreamFault::EndlessFrame:
                // An image start without its end, in a part without a length.
                sent = co_await Write(socket, PartHead(0, false), jpeg.substr(0, jpeg.size() - 2));
                break;
            case StreamFault::TruncatedJpeg:
                jpeg = jpeg.substr(0, jpeg.size() / 2);
                sent = co_await Write(socket, PartHead(jpeg.size(), true), jpeg, "\r\n");
                break;
            case StreamFault::NoBoundary: sent = co_await Write(socket, jpeg); break;
            default: sent = co_await Write(socket, PartHead(jpeg.size(), true), jpeg, "\r\n"); break;
        }
        if (!sent) co_return;
        first = false;
        clock.Advance();
    }
}

}  // namespace

net::awaitable<void> ServeStream(tcp::socket socket, Device& device, Journal& journal,
                                 std::shared_ptr<StreamLoad> load) {
    LoadScope counted(std::move(load));
    boost::system::error_code ignored;
    const std::uint16_t port = socket.local_endpoint(ignored).port();
    JournalEntryScope entry(journal, device, port, PeerText(socket));
    socket.set_option(tcp::no_delay(true), ignored);
    // A small send queue: a slow reader then blocks the frame in flight and
    // later frames are skipped, instead of piling up stale pictures.
    socket.set_option(net::socket_base::send_buffer_size(kSendBuffer), ignored);
    net::steady_timer timer(socket.get_executor());

    const std::string head = co_await ReadRequestHead(socket, timer);
    if (head.empty()) co_return;
    journal.AddIn(entry.Id(), head);

    const auto [channels, settings] = video::WithCamera(device, [](video::CameraVideoState& state) {
        return std::pair(state.channelCount, state.stream);
    });
    const Asked asked = ParseRequest(head, channels);
    std::string reply;
    if (counted.Open() > kMaxStreamsPerCamera) {
        reply = ErrorResponse(503, "Service Unavailable");
    } else if (asked.status == 400) {
        reply = ErrorResponse(400, "Bad Request");
    } else if (asked.status == 405) {
        reply = ErrorResponse(405, "Method Not Allowed");
    } else if (asked.status == 404) {
        reply = ErrorResponse(404, "Not Found");
    } else {
        reply = std::string("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=") +
                kStreamBoundary + "\r\n\r\n";
    }
    journal.AddOut(entry.Id(), reply);
    const bool sent = co_await Write(socket, reply);
    if (!sent || asked.status != 200 || counted.Open() > kMaxStreamsPerCamera) {
        socket.shutdown(tcp::socket::shutdown_send, ignored);
        co_return;
    }
    if (settings.fault == StreamFault::Stall) {
        co_await HoldSilently(socket);
        co_return;
    }
    try {
        co_await SendFrames(socket, timer, device, asked.channel, settings);
    } catch (const std::exception&) {
        // The encoder failed: the stream ends, the camera goes on.
    }
    socket.shutdown(tcp::socket::shutdown_both, ignored);
}

}  // namespace ostrand::sim
