#pragma once
// Why a live stream is not (or no longer) showing pictures, with the short
// reason a panel shows under "无视频" / "No video".

#include <cstdint>
#include <string>

namespace ostrand::video {

enum class StreamEnd : std::uint8_t {
    None,          // still playing (or not started)
    Stopped,       // the panel stopped it
    BadAddress,    // the URL cannot be opened
    Refused,       // the camera refused the connection
    NoConnection,  // no connection within the wait
    NotAStream,    // the reply is not a video stream (a page, no boundary ...)
    Stalled,       // no picture within the wait
    FrameTooLarge, // a frame grew past the bound
    Corrupt,       // frames that cannot be decoded
    Closed,        // the camera ended the stream
    NotResolved,   // the camera's host name was not resolved within the wait
    HttpStatus,    // an HTTP status other than 200 (and 401)
    LoginNeeded,   // 401, and no credentials were given
    BadCredentials,// 401 to the credentials given
};

// What the camera answered, for the reasons that name it.
struct StreamEndDetail {
    long httpStatus = 0;
    std::string contentType;
};

// The reason in the current UI language; empty for None and Stopped.
const char* StreamEndReason(StreamEnd end);

// The reason with what the camera answered: "HTTP 404" for a status, the
// Content-Type after "不是视频流" for a page; else StreamEndReason's text.
std::string StreamEndText(StreamEnd end, const StreamEndDetail& detail);

}  // namespace ostrand::video
