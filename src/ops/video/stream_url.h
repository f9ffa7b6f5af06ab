#pragma once
// Where a live-view panel takes its video from. By default every camera serves
// its channels as motion JPEG over HTTP on the stream port; a site whose
// cameras speak RTSP names a URL template in the settings file instead
// (section "Video", key "RtspUrl", e.g. "rtsp://{ip}:554/ch{channel}"), and
// every panel opens that with the camera's address and its channel filled in.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand::video {

inline constexpr std::string_view kStreamUrlSection = "Video";
inline constexpr std::string_view kStreamUrlKey = "RtspUrl";

// "http://<ip>:<port>/video/<channel>", or `urlTemplate` with every "{ip}",
// "{port}" and "{channel}" replaced when the template is not empty.
std::string StreamUrl(std::string_view ip, std::int32_t port, int channel, std::string_view urlTemplate = {});

// The same with the template of the settings file (no template: the default
// stream). Nothing is written back to the file.
std::string ConfiguredStreamUrl(std::string_view ip, std::int32_t port, int channel);

// The parts of an "http://host[:port]/path" URL; ok is false for anything else.
struct HttpUrl {
    bool ok = false;
    std::string host;
    std::uint16_t port = 80;
    std::string target = "/";
};
HttpUrl ParseHttpUrl(std::string_view url);

}  // namespace ostrand::video
