#pragma once
// Boost.Asio with the coroutine support the simulator's sessions are written in.
// <utility> must come first: Boost 1.74's awaitable.hpp uses std::exchange
// without including it.

#include <utility>

#include <boost/asio.hpp>

namespace ostrand::sim {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using udp = net::ip::udp;

}  // namespace ostrand::sim
