#pragma once
// One connection to a camera's video port: reads the request (bounded in
// size and time), then sends "multipart/x-mixed-replace" parts, one JPEG of
// the camera's test pattern per frame, paced by one timer. A reader slower
// than the frame rate gets fewer frames rather than a growing queue: at most
// one frame is in flight per connection. The camera's "streamFault" turns
// the stream hostile on purpose.

#include <memory>

#include "sim/asio.h"
#include "sim/device.h"
#include "sim/journal.h"

namespace ostrand::sim {

inline constexpr const char* kStreamBoundary = "ostrandframe";

// Counts the connections of one listener, so a flood of them is refused
// instead of each holding its frame buffers.
struct StreamLoad {
    int open = 0;
};
inline constexpr int kMaxStreamsPerCamera = 32;

net::awaitable<void> ServeStream(tcp::socket socket, Device& device, Journal& journal,
                                 std::shared_ptr<StreamLoad> load);

}  // namespace ostrand::sim
