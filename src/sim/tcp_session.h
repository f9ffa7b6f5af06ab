#pragma once
// The framed TCP side of a device on port 60005: command documents, flat
// documents, upload packets and exports on one listener, told apart by their
// first frame. A connection that starts with an HTTP request line is served as
// HTTP, so form commands without a TCP code still reach the device.

#include "sim/connection.h"

namespace ostrand::sim {

net::awaitable<void> ServeTcp(Connection& connection);

}  // namespace ostrand::sim
