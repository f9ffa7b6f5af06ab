#include "platform/net/no_proxy.h"

#include <cstdlib>

namespace ostrand::net {

std::string NoProxyList() {
    std::string list = "localhost,127.0.0.0/8";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            list += ',';
            list += value;
            break;
        }
    }
    return list;
}

}  // namespace ostrand::net
