#include "transport/frame_reader.h"

#include <cstdint>

#include "transport/frames.h"

namespace ostrand {

std::size_t WantedFrameSize(std::string_view bytes, std::size_t limit) {
    if (bytes.size() < kFrameLengthSize) return kFrameLengthSize < limit ? kFrameLengthSize : limit;
    const auto length = static_cast<std::int32_t>(ReadLe32(bytes.data()));
    if (length < 0) return bytes.size();
    const std::size_t total = static_cast<std::size_t>(length) + kFrameLengthSize;
    return total < limit ? total : limit;
}

std::ptrdiff_t ReceiveAppend(net::TcpSocket& socket, std::string& bytes, std::size_t limit) {
    if (bytes.size() >= limit) return 0;
    const std::size_t before = bytes.size();
    bytes.resize(limit);
    const std::ptrdiff_t got = socket.Receive(bytes.data() + before, limit - before);
    bytes.resize(before + (got > 0 ? static_cast<std::size_t>(got) : 0));
    return got;
}

void CompleteFrame(net::TcpSocket& socket, std::string& bytes, std::size_t limit,
                   std::chrono::milliseconds wait) {
    using SteadyClock = std::chrono::steady_clock;
    const auto deadline = SteadyClock::now() + wait;
    // The wanted size grows once the length has arrived, so it is worked out anew
    // after every receive.
    while (bytes.size() < WantedFrameSize(bytes, limit)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0 || socket.WaitReadable(left) != net::WaitResult::Ready) return;
        if (ReceiveAppend(socket, bytes, WantedFrameSize(bytes, limit)) <= 0) return;
    }
}

}  // namespace ostrand
