#pragma once
// The image uploads of an upgrade, sent from one in-memory copy of the image
// that every device's worker shares read-only, and reporting the bytes sent as
// they leave. Wire formats and waits are those of the transport's uploads:
// "formUploadFile" with the file as the body, "formUploadImage" in tagged
// chunks, and over TCP the 5012 header followed by acknowledged packets.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/tcp_socket.h"
#include "transport/file_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand {

// Called after every slice that left, with the image bytes sent so far.
using UploadProgress = std::function<void(std::uint64_t sent)>;

struct HttpUploadOutcome {
    enum class Kind : std::uint8_t {
        Ok,       // the device answered 200
        Refused,  // it answered another status
        Failed,   // no connection, a send or receive failure or wait, or an unreadable answer
        BadName,  // the name cannot travel (kTransportBadParameter)
        Empty,    // an empty image is never sent
    } kind = Kind::Failed;
    long status = 0;
    std::string detail;  // what failed, for the log
};

// "/goform/formUploadFile?filename=<name>": the whole image as one body.
// `remoteName` is UTF-8.
HttpUploadOutcome UploadApplicationHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress);
// "/goform/formUploadImage?filename=<name>": full chunks of kImageChunkSize on
// one connection, the remainder on a fresh one, every body led by one tag.
HttpUploadOutcome UploadKernelImageHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress);

// The 5012 announcement of an image of `size` bytes (upload results 0-6).
UploadResult AnnounceUploadTcp(const DeviceEndpoint& endpoint, std::uint64_t size, std::string_view updateType);
// The packets on a new connection, each acknowledged (upload results 0-7).
UploadResult SendUploadPacketsTcp(const DeviceEndpoint& endpoint, std::string_view image,
                                  const UploadProgress& progress);

}  // namespace ostrand
