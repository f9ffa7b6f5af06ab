#pragma once
// The listening socket every simulated service opens on a device's address,
// and the loop that hands each accepted connection to the service.

#include <functional>
#include <memory>
#include <string>

#include "sim/asio.h"

namespace ostrand::sim {

// Opens, binds and listens; throws std::system_error with `what` and the
// address (e.g. "cannot listen on 127.0.0.1:80") before anything listens.
std::shared_ptr<tcp::acceptor> OpenListeningAcceptor(net::io_context& io, const tcp::endpoint& endpoint,
                                                     const std::string& what);

using ConnectionServer = std::function<net::awaitable<void>(tcp::socket)>;

// Accepts until the acceptor is closed; each connection runs as its own
// coroutine. A failed accept (e.g. out of descriptors for a moment) is skipped.
net::awaitable<void> AcceptConnections(std::shared_ptr<tcp::acceptor> acceptor, ConnectionServer serve);

}  // namespace ostrand::sim
