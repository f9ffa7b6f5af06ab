#pragma once
// Boost.Asio with the coroutine support the simulator's sessions are written in.
// <utility> must come first: Boost 1.74's awaitable.hpp uses std::exchange
// without including it.

#include <utility>

// Boost 1.74 looks for coroutines in <experimental/coroutine> under clang,
// which libstdc++ does not have; its <coroutine> serves clang as well (the
// fuzzing build compiles the whole tree with clang).
#if defined(__clang__) && defined(__cpp_impl_coroutine) && !defined(BOOST_ASIO_HAS_CO_AWAIT)
#define BOOST_ASIO_HAS_CO_AWAIT 1
#endif

#include <boost/asio.hpp>

namespace ostrand::sim {

namespace net = boost::asio;
using tcp = net::ip::tcp;
using udp = net::ip::udp;

}  // namespace ostrand::sim
