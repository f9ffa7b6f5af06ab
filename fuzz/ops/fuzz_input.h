#pragma once
// The shape every reply fuzzer of the operations shares: the first byte picks
// the operation (or parser) of the subsystem, the rest is its reply script
// (scripted_channels.h) or its text. The process is made quiet once: messages
// are dropped and waits pass on a manual clock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/ops/scripted_channels.h"
#include "platform/clock.h"

namespace ostrand::fuzz {

struct FuzzInput {
    unsigned selector = 0;
    std::string_view rest;
};

inline FuzzInput SplitInput(const std::uint8_t* data, std::size_t size) {
    static DiscardingSink sink;
    static ScopedMessageSink sinkGuard(sink);
    static ManualClock clock;
    static ScopedClock clockGuard(clock);
    if (size == 0) return {0, {}};
    return {data[0], std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)};
}

// The rest of the input, cut at its first reply separator: a text for the
// pure rules, with the script of the operation after it.
inline std::string_view FirstPiece(std::string_view text) { return text.substr(0, text.find(kReplySeparator)); }

}  // namespace ostrand::fuzz
