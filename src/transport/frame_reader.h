#pragma once
// Reading one length-prefixed frame from a TCP stream that may deliver it in
// any number of segments, within a size limit and a bounded wait.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/net/tcp_socket.h"

namespace ostrand {

// Bytes to hold before the frame at the start of `bytes` is complete: L + 4
// capped at `limit`; four while the length itself is incomplete; what is there
// already for a negative length.
std::size_t WantedFrameSize(std::string_view bytes, std::size_t limit);

// One receive appended to `bytes` (at most `limit` in all). Returns the count:
// 0 when the peer closed, -1 on error.
std::ptrdiff_t ReceiveAppend(net::TcpSocket& socket, std::string& bytes, std::size_t limit);

// Receives until `bytes` holds the whole frame (capped at `limit`), the peer
// closes or fails, or `wait` has passed. The caller judges what arrived.
void CompleteFrame(net::TcpSocket& socket, std::string& bytes, std::size_t limit,
                   std::chrono::milliseconds wait);

}  // namespace ostrand
