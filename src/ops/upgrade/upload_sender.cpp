#include "ops/upgrade/upload_sender.h"

#include "transport/request_target.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <initializer_list>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "transport/frame_reader.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using Millis = std::chrono::milliseconds;

// Bytes handed to the socket at a time: the unit of the progress reports.
constexpr std::size_t kSliceSize = 64 * 1024;
constexpr std::size_t kMaxReplyHead = 64 * 1024;
constexpr std::size_t kMaxReplyBody = 1u << 20;
constexpr std::size_t kUploadTargetLimit = 9999;

using SteadyClock = std::chrono::steady_clock;

// What is left of `wait` before `deadline`; zero once it has passed.
Millis WaitBefore(Millis wait, SteadyClock::time_point deadline) {
    if (deadline == SteadyClock::time_point::max()) return wait;
    const auto left = std::chrono::ceil<Millis>(deadline - SteadyClock::now());
    if (left <= Millis::zero()) return Millis::zero();
    return left < wait ? left : wait;
}

// Sends the pieces as one stream without copying them together, giving up
// when no byte can leave within `wait` or `deadline` passes.
bool SendPieces(net::TcpSocket& socket, std::initializer_list<std::string_view> pieces, Millis wait,
                SteadyClock::time_point deadline = SteadyClock::time_point::max()) {
    std::array<iovec, 4> vectors{};
    std::size_t count = 0;
    for (std::string_view piece : pieces) {
        if (piece.empty() || count == vectors.size()) continue;
        vectors[count++] = iovec{const_cast<char*>(piece.data()), piece.size()};
    }
    std::size_t first = 0;
    while (first < count) {
        pollfd entry{socket.Descriptor(), POLLOUT, 0};
        int rc = 0;
        do {
            const Millis left = WaitBefore(wait, deadline);
            if (left <= Millis::zero()) return false;
            rc = ::poll(&entry, 1, static_cast<int>(left.count()));
        } while (rc < 0 && errno == EINTR);
        if (rc <= 0 || (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
        msghdr message{};
        message.msg_iov = vectors.data() + first;
        message.msg_iovlen = count - first;
        const ssize_t sent = ::sendmsg(socket.Descriptor(), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        auto left = static_cast<std::size_t>(sent);
        while (first < count && left >= vectors[first].iov_len) left -= vectors[first++].iov_len;
        if (first < count) {
            vectors[first].iov_base = static_cast<char*>(vectors[first].iov_base) + left;
            vectors[first].iov_len -= left;
        }
    }
    return true;
}

// "0.6 s", "600 s": a wait as the log shows it, to a tenth of a second.
std::string SecondsText(Millis wait) {
    const auto tenths = (wait.count() + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text + " s";
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// One device connection carrying upload requests one after another, kept
// open while the device allows it.
class HttpPoster {
public:
    HttpPoster(const std::string& ip, std::int32_t port, Millis connectTimeout)
        : ip_(ip), port_(port), connectTimeout_(connectTimeout), timeouts_(CurrentTransportTimeouts()) {}

    // POST of `prefix` followed by `payload`; `sent` counts payload bytes.
    HttpUploadOutcome Post(const std::string& target, std::string_view prefix, std::string_view payload,
                           bool freshConnection, std::uint64_t& sent, const UploadProgress& progress) {
        using Kind = HttpUploadOutcome::Kind;
        // The whole exchange, connection included, ends by the deadline however
        // the device paces its side.
        deadline_ = SteadyClock::now() + timeouts_.httpUploadDeadline;
        if (freshConnection) socket_.reset();
        if (!socket_ && !Connect()) return {Kind::Failed, 0, "cannot connect to " + Where()};
        const Millis stall = timeouts_.httpReceiveTimeout;
        const std::string head = "POST " + target + " HTTP/1.1\r\nHost: " + Where() +
                                 "\r\nUser-Agent: ostrand\r\nContent-Length: " +
                                 std::to_string(prefix.size() + payload.size()) + "\r\n\r\n";
        if (!SendPieces(*socket_, {head, prefix}, stall, deadline_)) return Lost("sending the request head");
        for (std::size_t offset = 0; offset < payload.size(); offset += kSliceSize) {
            const std::string_view slice = payload.substr(offset, kSliceSize);
            if (!SendPieces(*socket_, {slice}, stall, deadline_)) {
                return Lost("sending after " + std::to_string(sent) + " bytes");
            }
            sent += slice.size();
            if (progress) progress(sent);
        }
        return ReadReply(stall);
    }

private:
    std::string Where() const { return ip_ + ":" + std::to_string(port_); }

    bool Connect() {
        if (port_ <= 0 || port_ > 65535) return false;
        const int attempts = 1 + (timeouts_.httpConnectRetries > 0 ? timeouts_.httpConnectRetries : 0);
        for (int attempt = 1; attempt <= attempts; ++attempt) {
            const Millis wait = WaitBefore(connectTimeout_, deadline_);
            if (wait <= Millis::zero()) return false;
            socket_ = net::TcpSocket::Connect(ip_, static_cast<std::uint16_t>(port_), wait);
            if (socket_) {
                int one = 1;
                ::setsockopt(socket_->Descriptor(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                return true;
            }
            if (attempt < attempts) CurrentClock().SleepFor(timeouts_.httpConnectBackoff);
        }
        return false;
    }

    HttpUploadOutcome Lost(const std::string& what) {
        socket_.reset();
        if (SteadyClock::now() >= deadline_) {
            return {HttpUploadOutcome::Kind::Failed, 0,
                    "no complete exchange with " + Where() + " within " +
                        SecondsText(timeouts_.httpUploadDeadline) + " (" + what + ")"};
        }
        return {HttpUploadOutcome::Kind::Failed, 0, "connection to " + Where() + " lost " + what};
    }

    // Reads bytes until `done` says enough; false when the device went quiet,
    // closed or failed first.
    template <typename Done>
    bool ReceiveUntil(std::string& bytes, Millis stall, Done done) {
        char block[4096];
        while (!done()) {
            const Millis wait = WaitBefore(stall, deadline_);
            if (wait <= Millis::zero() || socket_->WaitReadable(wait) != net::WaitResult::Ready) return false;
            const std::ptrdiff_t got = socket_->Receive(block, sizeof block);
            if (got <= 0) return false;
            bytes.append(block, static_cast<std::size_t>(got));
        }
        return true;
    }

    HttpUploadOutcome ReadReply(Millis stall) {
        using Kind = HttpUploadOutcome::Kind;
        std::string bytes;
        std::size_t headEnd = std::string::npos;
        const bool haveHead = ReceiveUntil(bytes, stall, [&] {
            headEnd = bytes.find("\r\n\r\n");
            return headEnd != std::string::npos || bytes.size() > kMaxReplyHead;
        });
        if (!haveHead || headEnd == std::string::npos) return Lost("waiting for the answer");
        const std::string head = Lower(std::string_view(bytes).substr(0, headEnd + 2));
        long status = 0;
        if (head.rfind("http/1.", 0) != 0 || head.size() < 12) return Lost("reading an answer that is not HTTP");
        std::from_chars(head.data() + 9, head.data() + 12, status);
        if (status < 100) return Lost("reading an answer that is not HTTP");

        // The connection is reused only when the answer's end is known and read.
        bool reusable = head.find("\r\nconnection: close\r\n") == std::string::npos;
        std::size_t length = 0;
        const std::size_t field = head.find("\r\ncontent-length:");
        if (field == std::string::npos || head.find("\r\ntransfer-encoding:") != std::string::npos) {
            reusable = false;
        } else {
            std::size_t at = field + 17;
            while (at < head.size() && head[at] == ' ') ++at;
            std::from_chars(head.data() + at, head.data() + head.size(), length);
            const std::size_t bodyStart = headEnd + 4;
            if (length > kMaxReplyBody ||
                !ReceiveUntil(bytes, stall, [&] { return bytes.size() - bodyStart >= length; })) {
                reusable = false;
            }
        }
        if (!reusable) socket_.reset();
        return {status == 200 ? Kind::Ok : Kind::Refused, status, "status " + std::to_string(status)};
    }

    std::string ip_;
    std::int32_t port_;
    Millis connectTimeout_;
    TransportTimeouts timeouts_;
    std::optional<net::TcpSocket> socket_;
    SteadyClock::time_point deadline_ = SteadyClock::time_point::max();
};

// The request target of an upload, or nullopt when the name cannot travel.
std::optional<std::string> UploadTarget(const char* form, std::string_view remoteName) {
    if (remoteName.empty() || !IsValidUtf8(remoteName) || !Utf8ToGbk(remoteName)) return std::nullopt;
    std::string target = std::string("/goform/") + form + "?filename=" + std::string(remoteName);
    if (target.size() > kUploadTargetLimit || !IsSafeRequestName(target)) return std::nullopt;
    return target;
}

}  // namespace

HttpUploadOutcome UploadApplicationHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress) {
    const auto target = UploadTarget("formUploadFile", remoteName);
    if (!target) return {HttpUploadOutcome::Kind::BadName, 0, "the file name cannot be sent"};
    if (image.empty()) return {HttpUploadOutcome::Kind::Empty, 0, "the file is empty"};
    HttpPoster poster(ip, port, CurrentTransportTimeouts().httpUploadConnectTimeout);
    std::uint64_t sent = 0;
    return poster.Post(*target, {}, image, false, sent, progress);
}

HttpUploadOutcome UploadKernelImageHttp(const std::string& ip, std::int32_t port, std::string_view remoteName,
                                        std::string_view image, const UploadProgress& progress) {
    const auto target = UploadTarget("formUploadImage", remoteName);
    if (!target) return {HttpUploadOutcome::Kind::BadName, 0, "the file name cannot be sent"};
    if (image.empty()) return {HttpUploadOutcome::Kind::Empty, 0, "the file is empty"};
    HttpPoster poster(ip, port, CurrentTransportTimeouts().httpImageConnectTimeout);
    const std::string tag = MakeUploadTag();
    const std::size_t fullChunks = image.size() / kImageChunkSize;
    std::uint64_t sent = 0;
    for (std::size_t chunk = 0; chunk < fullChunks; ++chunk) {
        auto outcome =
            poster.Post(*target, tag, image.substr(chunk * kImageChunkSize, kImageChunkSize), false, sent, progress);
        // A refused chunk leaves the image incomplete on the device.
        if (outcome.kind != HttpUploadOutcome::Kind::Ok) return outcome;
    }
    // The remainder (only the tag when the size is a multiple of the chunk)
    // goes on a connection of its own and decides the upload.
    return poster.Post(*target, tag, image.substr(fullChunks * kImageChunkSize), true, sent, progress);
}

UploadResult AnnounceUploadTcp(const DeviceEndpoint& endpoint, std::uint64_t size, std::string_view updateType) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    auto socket = ConnectWithRetry(endpoint);
    if (!socket) return kUploadConnectFailed;
    if (size == 0) return kUploadBadFile;
    ParamMap request;
    request["updatetype"] = std::string(updateType);
    request["filesize"] = std::to_string(size);
    request["totalpacket"] = std::to_string(UploadPacketCount(size));
    const std::string document = EncodeCommandXml(request, kUploadHeaderCode);
    if (document.size() > kMaxCommandDocumentSize) return kUploadSendFailed;
    socket->SetLinger(true, timeouts.lingerSeconds);
    if (!socket->SendAll(BuildCommandFrame(document), timeouts.fileReceiveWait)) return kUploadSendFailed;
    if (socket->WaitReadable(timeouts.replyWait) != net::WaitResult::Ready) return kUploadReceiveFailed;
    std::string bytes;
    if (ReceiveAppend(*socket, bytes, kCommandFrameBufferSize) <= 0) return kUploadReceiveFailed;
    CompleteFrame(*socket, bytes, kCommandFrameBufferSize, timeouts.replyRestWait);
    ParamMap reply;
    if (!DecodeCommandXml(CommandFrameDocument(bytes), reply)) return kUploadReceiveFailed;
    return reply["result"] == "10000" ? kUploadOk : kUploadHeaderRefused;
}

UploadResult SendUploadPacketsTcp(const DeviceEndpoint& endpoint, std::string_view image,
                                  const UploadProgress& progress) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    auto socket = ConnectWithRetry(endpoint);
    if (!socket) return kUploadConnectFailed;
    std::uint64_t sent = 0;
    for (std::uint32_t number = 1; sent < image.size(); ++number) {
        const std::string_view data = image.substr(sent, kUploadPacketDataSize);
        // The packet's head and trailing zero around a view of the shared image.
        std::string head;
        AppendLe32(head, static_cast<std::uint32_t>(data.size() + 10));
        head.push_back(static_cast<char>(kUploadPacketType));
        AppendLe32(head, number);
        AppendLe32(head, static_cast<std::uint32_t>(data.size()));
        constexpr char kTrailer[1] = {0};
        if (!SendPieces(*socket, {head, data, std::string_view(kTrailer, 1)}, timeouts.fileReceiveWait)) {
            return kUploadSendFailed;
        }
        std::string reply(kUploadAckReceiveSize, '\0');
        std::size_t received = 0;
        if (ReceiveWithWait(*socket, reply.data(), reply.size(), received) == ReceiveStatus::Failed) {
            return kUploadReceiveFailed;
        }
        reply.resize(received);
        if (received > 0) CompleteFrame(*socket, reply, kUploadAckReceiveSize, timeouts.replyRestWait);
        if (!IsUploadAck(reply)) return kUploadRefused;
        sent += data.size();
        if (progress) progress(sent);
        if (data.size() < kUploadPacketDataSize) break;
    }
    return kUploadOk;
}

}  // namespace ostrand
