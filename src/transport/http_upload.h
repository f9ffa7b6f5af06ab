#pragma once
// The two HTTP uploads, sent from an image in memory that any number of
// callers may share read-only: "/goform/formUploadFile" with the image as the
// body, and "/goform/formUploadImage" in tagged chunks of kImageChunkSize, the
// full chunks on one connection while the device keeps it, the remainder on a
// connection of its own. Connections are reused only where the device allows
// it, interim (1xx) answers are skipped, and each request is bounded twice:
// the body must keep leaving (httpReceiveTimeout without progress ends it) and
// the answer must be complete within httpUploadDeadline ("UploadTimeout") of
// the body's last byte.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ostrand {

// Called as the image leaves, with the image bytes sent so far.
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
    std::string detail;  // what failed, for the log; for Failed the HTTP layer's description
};

// "/goform/formUploadFile?filename=<name>"; `remoteName` is UTF-8.
HttpUploadOutcome UploadApplicationHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress = {});
// "/goform/formUploadImage?filename=<name>": the image in tagged chunks.
HttpUploadOutcome UploadKernelImageHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress = {});

}  // namespace ostrand
