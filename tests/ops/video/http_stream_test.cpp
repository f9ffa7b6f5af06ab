// The streaming HTTP GET under the camera readers: the body comes whole and
// in order however slowly it is read (the transfer pauses while the buffer
// is full), and a raised stop ends every wait at once.

#include <gtest/gtest.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/net/http_stream.h"
#include "platform/net/tcp_socket.h"

namespace ostrand::net {
namespace {

using namespace std::chrono_literals;
using Clock = HttpStream::Clock;

// Serves one connection: reads the request head, sends `answer`, then
// closes, or with `hold` keeps the connection open (and silent) until told to stop.
class OneAnswer {
public:
    explicit OneAnswer(std::string answer, bool hold = false) {
        auto listener = TcpListener::Listen("127.0.0.1", 0);
        if (!listener) return;
        port_ = listener->Port();
        thread_ = std::thread([this, l = std::move(*listener), answer = std::move(answer), hold]() mutable {
            const auto end = Clock::now() + 10s;
            std::optional<TcpSocket> client;
            while (!stop_ && !client && Clock::now() < end) client = l.Accept(50ms);
            if (!client) return;
            std::string request;
            char buffer[1024];
            while (!stop_ && Clock::now() < end && request.find("\r\n\r\n") == std::string::npos) {
                if (client->WaitReadable(50ms) != WaitResult::Ready) continue;
                const auto n = client->Receive(buffer, sizeof buffer);
                if (n <= 0) return;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            if (!answer.empty() && !client->SendAll(answer, 5s)) return;
            while (hold && !stop_ && Clock::now() < end) std::this_thread::sleep_for(10ms);
        });
    }
    ~OneAnswer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/s"; }

private:
    std::atomic<bool> stop_{false};
    std::uint16_t port_ = 0;
    std::thread thread_;
};

struct EventFd {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ~EventFd() { close(fd); }
    void Raise() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
    }
};

TEST(HttpStream, ABodyReadSlowlyThroughASmallBufferComesWholeAndInOrder) {
    std::string body(3u << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 7919) >> 8);
    for (const bool chunked : {false, true}) {
        SCOPED_TRACE(chunked ? "chunked" : "plain");
        std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
        if (chunked) {
            answer += "Transfer-Encoding: chunked\r\n\r\n";
            for (std::size_t at = 0; at < body.size(); at += 100'003) {
                const std::string piece = body.substr(at, 100'003);
                char size[16];
                std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
                answer += size + piece + "\r\n";
            }
            answer += "0\r\n\r\n";
        } else {
            answer += "Connection: close\r\n\r\n" + body;
        }
        OneAnswer peer(answer);
        EventFd stop;
        HttpStream stream(stop.fd);
        HttpStreamRequest request;
        request.url = peer.Url();
        request.bufferBytes = 8 * 1024;
        ASSERT_EQ(stream.Open(request, Clock::now() + 2s), HttpStreamError::None);
        EXPECT_EQ(stream.Status(), 200);
        EXPECT_EQ(stream.ContentType(), "application/octet-stream");
        std::string received;
        char piece[3000];
        HttpStreamError end = HttpStreamError::None;
        for (int reads = 0; reads < 10'000; ++reads) {
            const std::size_t n = stream.Read(piece, sizeof piece, Clock::now() + 2s, end);
            if (n == 0) break;
            received.append(piece, n);
            if (reads % 64 == 0) std::this_thread::sleep_for(1ms);  // a reader slower than loopback
        }
        EXPECT_EQ(end, HttpStreamError::Closed);
        EXPECT_EQ(received.size(), body.size());
        EXPECT_TRUE(received == body);
        EXPECT_EQ(stream.BytesRead(), body.size());
    }
}

TEST(HttpStream, ARaisedStopEndsTheWaitAtOnce) {
    for (const bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "waiting for the body" : "waiting for the head");
        OneAnswer peer(opened ? "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n" : "", true);
        EventFd stop;
        HttpStream stream(stop.fd);
        HttpStreamRequest request;
        request.url = peer.Url();
        auto raised = std::async(std::launch::async, [&stop] {
            std::this_thread::sleep_for(200ms);
            stop.Raise();
        });
        const auto start = Clock::now();
        HttpStreamError end = stream.Open(request, Clock::now() + 30s);
        if (opened) {
            ASSERT_EQ(end, HttpStreamError::None);
            char byte = 0;
            EXPECT_EQ(stream.Read(&byte, 1, Clock::now() + 30s, end), 0u);
        }
        EXPECT_EQ(end, HttpStreamError::Stopped);
        EXPECT_LT(Clock::now() - start, 1s);
    }
}

}  // namespace
}  // namespace ostrand::net
