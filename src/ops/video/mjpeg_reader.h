#pragma once
// One frame from a camera's motion-JPEG stream ("multipart/x-mixed-replace"
// over HTTP), read with every size and wait bounded: the camera is a device
// on the LAN and may send anything, or nothing. The HTTP exchange is
// net::HttpStream's; the body's parts are parsed by a push parser without
// I/O, so it can be driven by the reader and by a fuzzer alike.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ops/video/stream_url.h"

namespace ostrand::video {

inline constexpr std::uint16_t kVideoStreamPort = 9886;

enum class MjpegFailure : std::uint8_t {
    None,
    ConnectFailed,       // no connection within the connect wait
    SendFailed,          // the request could not be sent
    TimedOut,            // no whole frame within the overall wait
    Closed,              // the camera closed before a whole frame came
    NotHttp,             // the answer is not an HTTP answer
    HttpStatus,          // a status other than 200
    NotMultipart,        // 200, but not a multipart stream
    HeadTooLarge,        // response head past its cap
    BadAddress,          // the camera's address cannot be used in a URL
    NotResolved,         // the camera's host name was not resolved within the connect wait
    LoginNeeded,         // 401, and no credentials were given
    BadCredentials,      // 401 to the credentials given
    NotVideo,            // 200 with a page (text/html ...) where a stream belongs
    NoBoundary,          // no boundary announced, or none found where one belongs
    PartHeadTooLarge,    // part head past its cap
    PartTooLarge,        // a part (declared or received) past its cap
    BadLength,           // Content-Length that is not a number
    NotJpeg,             // the part does not start like a JPEG
    IncompleteJpeg,      // the part starts like a JPEG but does not end like one
};

struct MjpegLimits {
    std::size_t headBytes = 16 * 1024;       // response head, and each part head
    std::size_t preambleBytes = 64 * 1024;   // bytes before the first boundary
    std::size_t partBytes = 8u << 20;        // one JPEG
    std::chrono::milliseconds connectWait{3000};
    std::chrono::milliseconds overallWait{10000};  // connect to frame, all told
};

// Feed the answer's body as it arrives; the parser says when a whole frame
// is there or why there never will be one. Memory stays within the limits'
// caps. The answer's Content-Type names the boundary; a type that is neither
// multipart nor text leaves it to the body's first line ("--<boundary>").
class MjpegParser {
public:
    enum class State : std::uint8_t { More, Frame, Failed };

    explicit MjpegParser(std::string_view contentType, MjpegLimits limits = {});

    State Feed(std::string_view bytes);
    // The peer closed: a part without a length ends here, anything else is cut off.
    State Finish();

    State Current() const { return state_; }
    MjpegFailure Failure() const { return failure_; }
    const std::string& Jpeg() const { return jpeg_; }
    const std::string& Boundary() const { return boundary_; }

private:
    enum class Stage : std::uint8_t { FirstLine, Preamble, PartHead, Body };
    State Step();
    State Fail(MjpegFailure failure);
    State Deliver(std::string_view part, bool delimited);
    void UseBoundary(std::string boundary);
    State ParsePartHead(std::string_view head);

    MjpegLimits limits_;
    Stage stage_ = Stage::Preamble;
    State state_ = State::More;
    MjpegFailure failure_ = MjpegFailure::None;
    std::string buffer_;
    std::string boundary_;
    std::string delimiter_;        // "--" + boundary
    std::int64_t partLength_ = -1;  // -1: up to the next delimiter
    std::size_t scanFrom_ = 0;      // where the delimiter search goes on
    std::string jpeg_;
};

struct MjpegFrame {
    MjpegFailure failure = MjpegFailure::None;
    int httpStatus = 0;
    std::string contentType;  // the answer's, when it came
    std::string jpeg;
    std::string text;  // UTF-8 description of the failure; empty on success
    bool Ok() const { return failure == MjpegFailure::None; }
};

// The user's text for a failure (Chinese, UTF-8). `contentType` is the
// answer's, shown for NotVideo.
std::string MjpegFailureText(MjpegFailure failure, const MjpegLimits& limits, int httpStatus,
                             const std::string& endpoint, const std::string& contentType = {});

// "/video/<channel>", the path of one channel's stream.
std::string VideoStreamPath(int channel);

// Asks http://host:port/path for the stream (host an IP address or a name)
// and returns the first whole frame. The credentials answer a 401, by Basic
// or Digest as the camera asks.
MjpegFrame ReadMjpegFrame(const std::string& host, std::uint16_t port, const std::string& path,
                          const MjpegLimits& limits = {}, const StreamCredentials& credentials = {});

}  // namespace ostrand::video
