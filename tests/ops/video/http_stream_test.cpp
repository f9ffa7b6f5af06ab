// The streaming HTTP GET under the camera readers: the body comes whole and
// in order however slowly it is read, the transfer pausing while the small
// buffer is full. (The player's tests show the stop ending every wait.)

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "../../transport/scripted_peer.h"
#include "platform/net/http_stream.h"

namespace ostrand::net {
namespace {

using namespace std::chrono_literals;
using Clock = HttpStream::Clock;

TEST(HttpStream, ABodyReadSlowlyThroughASmallBufferComesWholeAndInOrder) {
    std::string body(3u << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>((i * 7919) >> 8);
    for (const bool chunked : {false, true}) {
        SCOPED_TRACE(chunked ? "chunked" : "plain");
        std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
        if (chunked) {
            answer += "Transfer-Encoding: chunked\r\n\r\n";
            for (std::size_t at = 0; at < body.size(); at += 100'003) {
                char size[16];
                std::snprintf(size, sizeof size, "%zx\r\n", std::min<std::size_t>(100'003, body.size() - at));
                answer += size + body.substr(at, 100'003) + "\r\n";
            }
            answer += "0\r\n\r\n";
        } else {
            answer += "Connection: close\r\n\r\n" + body;
        }
        ostrand::test::ScriptedPeer peer({[&answer](TcpSocket& socket) {
            char request[4096];
            if (socket.WaitReadable(2s) == WaitResult::Ready && socket.Receive(request, sizeof request) > 0) {
                socket.SendAll(answer, 10s);
            }
        }});
        HttpStream stream(-1);
        HttpStreamRequest request;
        request.url = "http://127.0.0.1:" + std::to_string(peer.Port()) + "/s";
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

}  // namespace
}  // namespace ostrand::net
