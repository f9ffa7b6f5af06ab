#include "ops/video/stream_url.h"

#include <charconv>
#include <optional>

#include "platform/profile.h"

namespace ostrand::video {

namespace {

void ReplaceAll(std::string& text, std::string_view name, const std::string& value) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size())) {
        text.replace(at, name.size(), value);
    }
}

}  // namespace

std::string StreamUrl(std::string_view ip, std::int32_t port, int channel, std::string_view urlTemplate) {
    if (urlTemplate.empty()) {
        return "http://" + std::string(ip) + ":" + std::to_string(port) + "/video/" + std::to_string(channel);
    }
    std::string url(urlTemplate);
    ReplaceAll(url, "{ip}", std::string(ip));
    ReplaceAll(url, "{port}", std::to_string(port));
    ReplaceAll(url, "{channel}", std::to_string(channel));
    return url;
}

std::string ConfiguredStreamUrl(std::string_view ip, std::int32_t port, int channel) {
    const std::string urlTemplate = ReadIniString(kStreamUrlKey, std::nullopt, {}, kStreamUrlSection);
    return StreamUrl(ip, port, channel, urlTemplate);
}

HttpUrl ParseHttpUrl(std::string_view url) {
    constexpr std::string_view kScheme = "http://";
    HttpUrl parsed;
    if (url.substr(0, kScheme.size()) != kScheme) return parsed;
    url.remove_prefix(kScheme.size());
    const std::size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    parsed.target = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
        const std::string_view portText = authority.substr(colon + 1);
        unsigned port = 0;
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535) {
            return parsed;
        }
        parsed.port = static_cast<std::uint16_t>(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty()) return parsed;
    parsed.host = std::string(authority);
    parsed.ok = true;
    return parsed;
}

}  // namespace ostrand::video
