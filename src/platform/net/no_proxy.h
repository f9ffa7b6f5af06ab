#pragma once
// The hosts every HTTP exchange reaches without a proxy.

#include <string>

namespace ostrand::net {

// Proxies come from the environment as the desktop's are preconfigured, but a
// device on the loopback network is always reached directly: "localhost" and
// 127.0.0.0/8, followed by the environment's own no_proxy list.
std::string NoProxyList();

}  // namespace ostrand::net
