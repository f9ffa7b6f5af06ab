// The HTTP uploads against the ways small web servers answer: a close after
// every answer (HTTP/1.0, or HTTP/1.1 without saying so), an interim
// "100 Continue", and a device that takes a large body slowly but steadily.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/http_upload.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::HttpRequestSeen;
using test::ScriptedPeer;
using SteadyClock = std::chrono::steady_clock;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 29 + i / 1013) & 0xFF);
    return bytes;
}

TransportTimeouts Waits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.httpImageConnectTimeout = 500ms;
    timeouts.httpUploadConnectTimeout = 500ms;
    timeouts.httpReceiveTimeout = 1000ms;
    timeouts.httpUploadDeadline = 1000ms;
    return timeouts;
}

// One request per connection is what every server below allows at least;
// each handler serves requests until the client or the style ends it.
struct Answers {
    const char* name;
    const char* interim;  // sent once the head has arrived
    const char* head;     // the final answer's head, before Content-Length
    bool closes;          // the server closes after every answer
};

TEST(HttpUploadTest, KernelImageArrivesWholeHoweverTheServerAnswers) {
    ScopedTransportTimeouts waits(Waits());
    const Answers styles[] = {
        {"HTTP/1.1 keeping the connection", "", "HTTP/1.1 200 OK\r\n", false},
        {"HTTP/1.0 with a length, then a close", "", "HTTP/1.0 200 OK\r\n", true},
        {"HTTP/1.1, then a close without saying so", "", "HTTP/1.1 200 OK\r\n", true},
        {"100 Continue before the answer", "HTTP/1.1 100 Continue\r\n\r\n", "HTTP/1.1 200 OK\r\n", false},
    };
    // Two full chunks and a remainder.
    const std::string image = Pattern(2 * kImageChunkSize + 777);
    for (const Answers& style : styles) {
        SCOPED_TRACE(style.name);
        std::mutex mutex;
        std::vector<HttpRequestSeen> requests;
        // Connections are served one after another: a handler ends once the
        // full chunks are in, as the remainder comes on a connection of its own.
        const auto serve = [&](net::TcpSocket& socket) {
            for (;;) {
                HttpRequestSeen seen = test::ReadHttpRequest(socket, 2000ms);
                if (!seen.complete) return;
                std::size_t count = 0;
                {
                    std::lock_guard lock(mutex);
                    requests.push_back(std::move(seen));
                    count = requests.size();
                }
                // The interim answer goes after the whole body here: the client
                // must still take the next answer as the final one.
                if (!socket.SendAll(std::string(style.interim) + style.head + "Content-Length: 0\r\n\r\n")) return;
                if (style.closes || count >= 2) return;
            }
        };
        ScriptedPeer peer(std::vector<ScriptedPeer::Handler>(style.closes ? 3 : 2, serve));
        std::uint64_t reported = 0;
        const HttpUploadOutcome outcome = UploadKernelImageHttp(peer.Ip(), peer.Port(), "k.img", image,
                                                                [&](std::uint64_t sent) { reported = sent; });
        EXPECT_EQ(outcome.kind, HttpUploadOutcome::Kind::Ok) << outcome.detail;
        EXPECT_EQ(reported, image.size());
        ASSERT_TRUE(peer.WaitDone(5s));
        ASSERT_EQ(requests.size(), 3u);
        std::string assembled;
        for (const HttpRequestSeen& seen : requests) {
            EXPECT_EQ(seen.requestLine, "POST /goform/formUploadImage?filename=k.img HTTP/1.1");
            // Only these headers: nothing libcurl would add on its own.
            EXPECT_EQ(seen.headerLines,
                      (std::vector<std::string>{"Host: " + peer.Ip() + ":" + std::to_string(peer.Port()),
                                                "User-Agent: ostrand",
                                                "Content-Length: " + std::to_string(seen.body.size())}));
            ASSERT_GE(seen.body.size(), kUploadTagSize);
            EXPECT_EQ(seen.body.substr(0, kUploadTagSize), requests[0].body.substr(0, kUploadTagSize));
            assembled += seen.body.substr(kUploadTagSize);
        }
        EXPECT_TRUE(assembled == image);
        // The remainder always has a connection of its own.
        EXPECT_EQ(peer.Connections(), style.closes ? 3 : 2);
    }
}

// Reads `total` body bytes at about `rate` bytes per second.
void ReadSlowly(net::TcpSocket& socket, std::size_t total, std::size_t rate) {
    constexpr std::size_t kStep = 16 * 1024;
    for (std::size_t got = 0; got < total;) {
        const std::string piece = test::ReadBytes(socket, std::min(kStep, total - got), 2000ms);
        if (piece.empty()) return;
        got += piece.size();
        std::this_thread::sleep_for(std::chrono::milliseconds(kStep * 1000 / rate));
    }
}

TEST(HttpUploadTest, UploadTimeoutBoundsTheAnswerNotASteadyBody) {
    ScopedTransportTimeouts waits(Waits());  // the answer within 1 s of the last byte; 1 s without progress
    const std::string image = Pattern(768 * 1024);
    const struct {
        const char* name;
        std::chrono::milliseconds answerAfter;  // after the whole body
        HttpUploadOutcome::Kind kind;
        const char* detail;
    } cases[] = {
        // About 2.5 s of body at 300 kB/s, well past UploadTimeout: it keeps moving.
        {"a steady slow body", 0ms, HttpUploadOutcome::Kind::Ok, "status 200"},
        {"an answer that never comes", 5000ms, HttpUploadOutcome::Kind::Failed, "waiting for the answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer({[&](net::TcpSocket& socket) {
            const std::string head = test::ReadBytes(socket, 1, 2000ms);
            std::string rest;
            while (rest.find("\r\n\r\n") == std::string::npos) {
                const std::string byte = test::ReadBytes(socket, 1, 2000ms);
                if (byte.empty()) return;
                rest += byte;
            }
            ReadSlowly(socket, image.size(), 300 * 1024);
            if (c.answerAfter > 0ms) test::ReadUntilClosed(socket, c.answerAfter);
            socket.SendAll(test::HttpResponse(200, ""));
        }});
        const auto started = SteadyClock::now();
        const HttpUploadOutcome outcome = UploadApplicationHttp(peer.Ip(), peer.Port(), "app.tar", image);
        const auto took = SteadyClock::now() - started;
        EXPECT_EQ(outcome.kind, c.kind) << outcome.detail;
        EXPECT_NE(outcome.detail.find(c.detail), std::string::npos) << outcome.detail;
        EXPECT_GT(took, 1500ms);  // longer than the answer's bound: the body took that long
        EXPECT_LT(took, 5000ms);
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

}  // namespace
}  // namespace ostrand
