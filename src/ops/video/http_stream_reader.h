#pragma once
// The HTTP source of a motion-JPEG stream, read by the decoder through a
// custom I/O context. The exchange is net::HttpStream's: every wait (connect,
// reply head, each read) ends at a deadline the caller gives, or at once when
// the stop signal is raised, so a silent or stalled camera never holds the
// decoding thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ops/video/stream_end.h"
#include "ops/video/stream_url.h"
#include "platform/net/http_stream.h"
#include "platform/stop_signal.h"

namespace ostrand::video {

using StreamClock = std::chrono::steady_clock;

class HttpStreamReader {
public:
    static constexpr std::size_t kMaxHeaderBytes = 8192;

    explicit HttpStreamReader(const StopSignal& stop) : stream_(stop.Descriptor()) {}

    // Sends the GET and reads the reply head, all before `deadline`. None on
    // a "200" reply that is not a page (text/...); Detail() says what came.
    StreamEnd Open(const std::string& url, const StreamCredentials& credentials, StreamClock::time_point deadline);

    // Reads up to `size` bytes, waiting until `deadline`: > 0 bytes, or 0
    // with `end` set (Closed, Stalled, Stopped, ...).
    std::size_t Read(std::uint8_t* buffer, std::size_t size, StreamClock::time_point deadline, StreamEnd& end);

    std::uint64_t BytesRead() const { return stream_.BytesRead(); }
    StreamEndDetail Detail() const { return {stream_.Status(), stream_.ContentType()}; }

private:
    net::HttpStream stream_;
};

}  // namespace ostrand::video
