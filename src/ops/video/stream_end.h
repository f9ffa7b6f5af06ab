#pragma once
// Why a live stream is not (or no longer) showing pictures, with the short
// reason a panel shows under "无视频" / "No video".

#include <cstdint>

namespace ostrand::video {

enum class StreamEnd : std::uint8_t {
    None,          // still playing (or not started)
    Stopped,       // the panel stopped it
    BadAddress,    // the URL cannot be opened
    Refused,       // the camera refused the connection
    NoConnection,  // no connection within the wait
    NotAStream,    // the reply is not a video stream (HTTP error, no boundary ...)
    Stalled,       // no picture within the wait
    FrameTooLarge, // a frame grew past the bound
    Corrupt,       // frames that cannot be decoded
    Closed,        // the camera ended the stream
};

// The reason in the current UI language; empty for None and Stopped.
const char* StreamEndReason(StreamEnd end);

}  // namespace ostrand::video
