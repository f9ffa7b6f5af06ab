#include "ops/peripherals/probe_answer.h"

#include <algorithm>

#include "platform/code_page.h"
#include "transport/param_map.h"
#include "transport/xml_codec.h"

namespace ostrand {

std::string_view ProbeAnswerText(std::span<const std::uint8_t> datagram) {
    const auto zero = std::find(datagram.begin(), datagram.end(), std::uint8_t{0});
    return {reinterpret_cast<const char*>(datagram.data()), static_cast<std::size_t>(zero - datagram.begin())};
}

std::optional<FoundTempera> ParseProbeAnswer(std::string_view text, bool readsServicePort, bool utf8Texts) {
    ParamMap map;
    if (!DecodeFlatXml(text, map)) return std::nullopt;
    const auto entry = [&map, utf8Texts](const char* key) {
        const auto found = map.find(key);
        if (found == map.end()) return std::string();
        if (utf8Texts && IsValidUtf8(found->second)) {
            if (auto gbk = Utf8ToGbk(found->second)) return std::move(*gbk);
        }
        return found->second;
    };
    if (entry("ProbeMatch").empty()) return std::nullopt;
    FoundTempera found;
    found.deviceType = entry("DeviceType");
    found.model = entry("DeviceDescription");
    found.serial = entry("DeviceSN");
    if (readsServicePort) found.servicePort = entry("SvcPort");
    found.ipv4 = entry("IPv4Address");
    found.mac = entry("MAC");
    return found;
}

}  // namespace ostrand
