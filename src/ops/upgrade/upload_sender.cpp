#include "ops/upgrade/upload_sender.h"

#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <initializer_list>

#include "transport/frame_reader.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using Millis = std::chrono::milliseconds;
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

}  // namespace

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
