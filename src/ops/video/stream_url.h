#pragma once
// Where a live-view panel takes its video from. By default every camera serves
// its channels as motion JPEG over HTTP on the stream port; a site whose
// cameras speak RTSP names a URL template in the settings file instead
// (section "Video", key "RtspUrl", e.g. "rtsp://{ip}:554/ch{channel}"), and
// every panel opens that with the camera's address and its channel filled in.
// An HTTP stream behind a login takes its user and password from the URL
// ("http://user:pass@{ip}/...") or, when the URL names none, from the keys
// "StreamUser" and "StreamPassword" of the same section.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand::video {

inline constexpr std::string_view kStreamUrlSection = "Video";
inline constexpr std::string_view kStreamUrlKey = "RtspUrl";
inline constexpr std::string_view kStreamUserKey = "StreamUser";
inline constexpr std::string_view kStreamPasswordKey = "StreamPassword";

// "http://<ip>:<port>/video/<channel>", or `urlTemplate` with every "{ip}",
// "{port}" and "{channel}" replaced when the template is not empty.
std::string StreamUrl(std::string_view ip, std::int32_t port, int channel, std::string_view urlTemplate = {});

// The same with the template of the settings file (no template: the default
// stream). Nothing is written back to the file.
std::string ConfiguredStreamUrl(std::string_view ip, std::int32_t port, int channel);

struct StreamCredentials {
    std::string user;  // none when empty
    std::string password;
};

// The credentials of the settings file (none when "StreamUser" is empty).
// Nothing is written back to the file.
StreamCredentials ConfiguredStreamCredentials();

// Whether `url` is played as an HTTP stream ("http://" or "https://", in
// any case) rather than through the decoder library's own protocols.
bool IsHttpUrl(std::string_view url);

}  // namespace ostrand::video
