#pragma once
// Shared pieces of the simulator tests: a per-process block of loopback
// addresses (tests of several processes run at once and must not share a
// device address) and short transport waits.

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "transport/transport_settings.h"

namespace ostrand::sim::test {

// "127.B.C." with B and C taken from the process id; devices add the last octet.
inline std::string AddressBlock() {
    const unsigned pid = static_cast<unsigned>(getpid());
    return "127." + std::to_string(100 + (pid >> 8) % 150) + "." + std::to_string(pid & 0xff) + ".";
}

inline TransportTimeouts ShortWaits() {
    using ms = std::chrono::milliseconds;
    TransportTimeouts waits;
    waits.replyWait = ms(300);
    waits.replyRestWait = ms(300);
    waits.connectWait = ms(1000);
    waits.lingerSeconds = 0;
    waits.fileReceiveWait = ms(500);
    waits.exportIdleWaits = 2;
    waits.httpConnectTimeout = ms(2000);
    waits.httpFormReceiveTimeout = ms(2000);
    waits.httpUploadConnectTimeout = ms(2000);
    waits.httpImageConnectTimeout = ms(2000);
    waits.httpReceiveTimeout = ms(5000);
    return waits;
}

// Empty when the file cannot be read: the comparison that follows fails.
inline std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace ostrand::sim::test
