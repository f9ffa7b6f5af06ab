#include "discovery/discovery_config.h"

#include <cstdio>
#include <string>

#include "platform/profile.h"

namespace ostrand {

DiscoveryTrace StderrDiscoveryTrace() {
    return [](std::string_view line) {
        std::string text(line);
        if (text.empty() || text.back() != '\n') text.push_back('\n');
        std::fputs(text.c_str(), stderr);
    };
}

DiscoverySettings DiscoverySettings::FromProfile() {
    return DiscoverySettings{
        [] { return ReadIniInt(0, "SimpleScan"); },
        [] { return ReadIniInt(0, "ScanTimeOut"); },
    };
}

DiscoverySettings DiscoverySettings::Fixed(std::int32_t scanFlags, std::int32_t scanTimeOut) {
    return DiscoverySettings{[scanFlags] { return scanFlags; }, [scanTimeOut] { return scanTimeOut; }};
}

}  // namespace ostrand
