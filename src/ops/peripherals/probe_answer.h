#pragma once
// A temperature device's answer to the probe: a flat XML document whose root
// (or a child) is "ProbeMatch", read into one found-device record. Kept apart
// from the sockets so the parser can be fed anything.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrand {

// One row of the temperature-device list, texts in GBK as every device text
// is held (an answer in UTF-8 is converted).
struct FoundTempera {
    std::string deviceType;   // "DeviceType"
    std::string model;        // "DeviceDescription"
    std::string serial;       // "DeviceSN"
    std::string servicePort;  // "SvcPort" (second probe variant only)
    std::string ipv4;         // "IPv4Address"
    std::string mac;          // "MAC"

    friend bool operator==(const FoundTempera&, const FoundTempera&) = default;
};

// The answer text ends at its first zero byte or at the end of the datagram,
// whichever comes first; a datagram never needs a terminating zero.
std::string_view ProbeAnswerText(std::span<const std::uint8_t> datagram);

// The record of a "ProbeMatch" answer; nullopt for anything else (not XML, no
// "ProbeMatch" entry with text). Missing entries give empty texts; the port is
// read only when `readsServicePort`. With `utf8Texts` (the answers to the
// UTF-8 probe) the texts are converted to GBK; one that is not UTF-8, or holds
// a character GBK cannot, stays as it came.
std::optional<FoundTempera> ParseProbeAnswer(std::string_view text, bool readsServicePort, bool utf8Texts = false);

}  // namespace ostrand
