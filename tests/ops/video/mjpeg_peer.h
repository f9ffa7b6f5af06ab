#pragma once
// A scripted camera for the stream player's tests: serves one connection on
// loopback with a motion-JPEG stream, well-formed or with one chosen fault.
// Pictures are single-colour JPEGs made with the library's own encoder.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

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
};

class MjpegPeer {
public:
    explicit MjpegPeer(PeerScript script, std::string jpeg = SolidJpeg(640, 480, 200, 30, 40));
    ~MjpegPeer();
    MjpegPeer(const MjpegPeer&) = delete;
    MjpegPeer& operator=(const MjpegPeer&) = delete;

    std::string Url(int channel = 0) const;

private:
    void Serve();

    PeerScript script_;
    std::string jpeg_;
    net::TcpListener listener_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace ostrand::video::test
