#pragma once
// A scripted camera for the stream player's tests: serves one connection on
// loopback with a motion-JPEG stream, well-formed or with one chosen fault.
// Pictures are single-colour JPEGs made with the library's own encoder.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/tcp_socket.h"

namespace ostrand::video::test {

// A width x height JPEG of one colour.
std::string SolidJpeg(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue);

enum class PeerScript {
    Good,           // pictures at 25 a second until stopped
    FewThenClose,   // three pictures, then the connection closes
    StallAfterOne,  // one picture, then silence
    SilentReply,    // accepts, reads the request, never answers
    NotFound,       // "404 Not Found"
    EndlessFrame,   // a part whose bytes never end
    TruncatedJpeg,  // every picture cut in half
    NoBoundary,     // a 200 reply with bare JPEG bytes and no part boundaries
    Chunked,        // "Good" as an HTTP/1.1 chunked body, each part cut across chunks
    ContinueFirst,  // "100 Continue" before the 200 of "Good"
    LoginPage,      // 200 with an HTML login page
    NeedsBasic,     // 401 with a Basic challenge until the request carries kPeerUser's credentials
    NeedsDigest,    // the same with a Digest challenge (qop=auth), the answer checked
};

// The credentials NeedsBasic and NeedsDigest accept.
inline constexpr const char* kPeerUser = "viewer";
inline constexpr const char* kPeerPassword = "s3cret:pw";

class MjpegPeer {
public:
    explicit MjpegPeer(PeerScript script, std::string jpeg = SolidJpeg(640, 480, 200, 30, 40));
    ~MjpegPeer();
    MjpegPeer(const MjpegPeer&) = delete;
    MjpegPeer& operator=(const MjpegPeer&) = delete;

    // "http://<host>:<port>/video/<channel>"; `host` must reach 127.0.0.1.
    std::string Url(int channel = 0, const std::string& host = "127.0.0.1") const;
    std::uint16_t Port() const { return listener_.Port(); }
    // The head of every request received so far, in order.
    std::vector<std::string> Requests() const;

private:
    void Serve();
    // Answers one connection; true when the reader is expected to come again.
    bool ServeOne(net::TcpSocket& client);
    bool Authorised(const std::string& request) const;

    PeerScript script_;
    std::string jpeg_;
    net::TcpListener listener_;
    std::atomic<bool> stop_{false};
    std::chrono::steady_clock::time_point end_{};  // the peer's lifetime ends here
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace ostrand::video::test
