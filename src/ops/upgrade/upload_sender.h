#pragma once
// The image uploads of an upgrade, sent from one in-memory copy of the image
// that every device's worker shares read-only, and reporting the bytes sent as
// they leave: over HTTP those of transport/http_upload.h, over TCP the 5012
// header followed by acknowledged packets.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/tcp_socket.h"
#include "transport/http_upload.h"
#include "transport/file_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand {

// The 5012 announcement of an image of `size` bytes (upload results 0-6).
UploadResult AnnounceUploadTcp(const DeviceEndpoint& endpoint, std::uint64_t size, std::string_view updateType);
// The packets on a new connection, each acknowledged (upload results 0-7).
UploadResult SendUploadPacketsTcp(const DeviceEndpoint& endpoint, std::string_view image,
                                  const UploadProgress& progress);

}  // namespace ostrand
