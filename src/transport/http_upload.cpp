#include "transport/http_upload.h"

#include <algorithm>
#include <optional>

#include "platform/code_page.h"
#include "platform/net/http_client.h"
#include "transport/file_channel.h"
#include "transport/request_target.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

using Millis = std::chrono::milliseconds;
constexpr std::size_t kUploadTargetLimit = 9999;

// The request target of an upload, or nullopt when the name cannot travel.
std::optional<std::string> UploadTarget(const char* form, std::string_view remoteName) {
    if (remoteName.empty() || !IsValidUtf8(remoteName) || !Utf8ToGbk(remoteName)) return std::nullopt;
    std::string target = std::string("/goform/") + form + "?filename=" + std::string(remoteName);
    if (target.size() > kUploadTargetLimit || !IsSafeRequestName(target)) return std::nullopt;
    return target;
}

net::HttpRequest UploadRequest(const std::string& ip, std::int32_t port, std::string target, Millis connectTimeout) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    net::HttpRequest http;
    http.host = ip;
    http.port = port;
    http.method = "POST";
    http.target = std::move(target);
    http.connectTimeout = connectTimeout;
    http.connectBackoff = timeouts.httpConnectBackoff;
    http.connectRetries = timeouts.httpConnectRetries;
    http.stallTimeout = timeouts.httpReceiveTimeout;
    http.answerTimeout = timeouts.httpUploadDeadline;
    return http;
}

// One request with `lead` and then `payload` as its body; `before` image bytes
// went in earlier requests, so progress counts the whole image.
HttpUploadOutcome Post(net::HttpSession& session, net::HttpRequest& http, std::string_view lead,
                       std::string_view payload, std::uint64_t before, const UploadProgress& progress) {
    using Kind = HttpUploadOutcome::Kind;
    http.bodyPieces = {lead, payload};
    http.onSent = [&](std::uint64_t sent) {
        if (!progress || sent <= lead.size()) return;
        progress(before + std::min<std::uint64_t>(sent - lead.size(), payload.size()));
    };
    try {
        const long status = session.Perform(http).status;
        return {status == 200 ? Kind::Ok : Kind::Refused, status, "status " + std::to_string(status)};
    } catch (const net::HttpError& error) {
        return {Kind::Failed, 0, error.what()};
    }
}

}  // namespace

HttpUploadOutcome UploadApplicationHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress) {
    const auto target = UploadTarget("formUploadFile", remoteName);
    if (!target) return {HttpUploadOutcome::Kind::BadName, 0, "the file name cannot be sent"};
    if (image.empty()) return {HttpUploadOutcome::Kind::Empty, 0, "the file is empty"};
    net::HttpRequest http = UploadRequest(ip, port, *target, CurrentTransportTimeouts().httpUploadConnectTimeout);
    net::HttpSession session(false);
    return Post(session, http, {}, image, 0, progress);
}

HttpUploadOutcome UploadKernelImageHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress) {
    const auto target = UploadTarget("formUploadImage", remoteName);
    if (!target) return {HttpUploadOutcome::Kind::BadName, 0, "the file name cannot be sent"};
    if (image.empty()) return {HttpUploadOutcome::Kind::Empty, 0, "the file is empty"};
    net::HttpRequest http = UploadRequest(ip, port, *target, CurrentTransportTimeouts().httpImageConnectTimeout);
    const std::string tag = MakeUploadTag();
    const std::size_t fullChunks = image.size() / kImageChunkSize;
    {
        // The full chunks share a connection while the device keeps it; it is
        // closed before the remainder goes.
        net::HttpSession chunks;
        for (std::size_t chunk = 0; chunk < fullChunks; ++chunk) {
            auto outcome = Post(chunks, http, tag, image.substr(chunk * kImageChunkSize, kImageChunkSize),
                                chunk * kImageChunkSize, progress);
            // A refused chunk leaves the image incomplete on the device.
            if (outcome.kind != HttpUploadOutcome::Kind::Ok) return outcome;
        }
    }
    // The remainder (only the tag when the size is a multiple of the chunk)
    // goes on a connection of its own and decides the upload.
    net::HttpSession remainder(false);
    return Post(remainder, http, tag, image.substr(fullChunks * kImageChunkSize), fullChunks * kImageChunkSize,
                progress);
}

}  // namespace ostrand
