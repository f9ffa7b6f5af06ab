#include "ops/video/stream_url.h"

#include <algorithm>
#include <cctype>
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

StreamCredentials ConfiguredStreamCredentials() {
    StreamCredentials credentials;
    credentials.user = ReadIniString(kStreamUserKey, std::nullopt, {}, kStreamUrlSection);
    if (!credentials.user.empty()) {
        credentials.password = ReadIniString(kStreamPasswordKey, std::nullopt, {}, kStreamUrlSection);
    }
    return credentials;
}

bool IsHttpUrl(std::string_view url) {
    const auto startsWith = [url](std::string_view scheme) {
        return url.size() >= scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), url.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    };
    return startsWith("http://") || startsWith("https://");
}

}  // namespace ostrand::video
