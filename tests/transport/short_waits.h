#pragma once
// Channel waits short enough for tests; each suite lengthens what it needs.

#include <chrono>

#include "transport/transport_settings.h"

namespace ostrand::test {

inline TransportTimeouts ShortChannelWaits() {
    using namespace std::chrono_literals;
    TransportTimeouts timeouts;
    timeouts.replyWait = 150ms;
    timeouts.replyRestWait = 300ms;
    timeouts.connectWait = 500ms;
    timeouts.lingerSeconds = 0;
    timeouts.httpConnectTimeout = 500ms;
    timeouts.httpConnectBackoff = 1ms;
    return timeouts;
}

}  // namespace ostrand::test
