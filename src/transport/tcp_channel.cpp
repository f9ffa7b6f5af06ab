#include "transport/tcp_channel.h"

#include "transport/failure_note.h"

#include <chrono>
#include <optional>
#include <string>

#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "platform/net/tcp_socket.h"
#include "transport/frame_reader.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {

namespace {

using net::TcpSocket;
using net::WaitResult;
using SteadyClock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

enum class Failure : std::uint8_t {
    None,
    TooLarge,
    Connect,
    Send,
    ErrorCondition,
    Receive,
    Undecodable,
    Wait,
    NoReply,
};

TransportResult ResultOf(Failure failure) {
    switch (failure) {
    case Failure::None: return kTransportOk;
    case Failure::TooLarge: return kTransportBadParameter;
    case Failure::Connect: return kTransportConnectFailed;
    case Failure::Send: return kTransportSendFailed;
    case Failure::ErrorCondition:
    case Failure::Receive:
    case Failure::NoReply: return kTransportReceiveFailed;
    case Failure::Undecodable: return kTransportUndecodable;
    case Failure::Wait: return kTransportFailed;
    }
    return kTransportFailed;
}

// The device protocol's own failure texts: English whatever the interface language.
const char* MessageOf(Failure failure) {
    switch (failure) {
    case Failure::None:
    case Failure::TooLarge: return "";
    case Failure::Connect: return "Connect Server Fail";
    case Failure::Send: return "Send Fail";
    case Failure::ErrorCondition: return "Read Data Fail";
    case Failure::Receive: return "Recv Data Err";
    case Failure::Undecodable: return "xml data is Err";
    case Failure::Wait: return "select Fail！";
    case Failure::NoReply: return "Recv Data Timeout！";
    }
    return "";
}

void ShowTooLarge(std::size_t size) {
    const std::string text =
        std::string(Tr("命令内容过长（", "The command is too long (")) + std::to_string(size) +
        Tr(" 字节，最多 ", " bytes, at most ") + std::to_string(kMaxCommandDocumentSize) +
        Tr(" 字节），未发送", " bytes); it was not sent");
    ShowMessage(text);
}

std::optional<TcpSocket> ConnectEndpoint(const DeviceEndpoint& endpoint, const TransportTimeouts& timeouts) {
    auto socket = TcpSocket::Connect(endpoint.ip, endpoint.port, TcpConnectWait());
    if (socket) socket->SetLinger(true, timeouts.lingerSeconds);
    return socket;
}

// Reads one framed reply after the socket became readable.
Failure ReceiveCommandReply(TcpSocket& socket, ParamMap& reply, const TransportTimeouts& timeouts) {
    std::string bytes;
    if (ReceiveAppend(socket, bytes, kCommandReplyBufferSize) <= 0) return Failure::Receive;
    CompleteFrame(socket, bytes, kCommandReplyBufferSize, timeouts.replyRestWait);
    socket.CloseAnswered();
    return DecodeCommandXml(CommandFrameDocument(bytes), reply) ? Failure::None : Failure::Undecodable;
}

Failure RunCommandExchange(DeviceEndpoint& endpoint, const ParamMap& request, ParamMap& reply,
                           CommandCode code, std::size_t& documentSize) {
    const std::string document = EncodeCommandXml(request, code);
    documentSize = document.size();
    if (document.size() > kMaxCommandDocumentSize) return Failure::TooLarge;

    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    auto socket = ConnectEndpoint(endpoint, timeouts);
    if (!socket) return Failure::Connect;
    const std::string frame = BuildCommandFrame(document);

    // A device that answers late gets the request again on the same connection;
    // the first reply that arrives is taken.
    for (int sends = 1;; ++sends) {
        if (!socket->SendAll(frame)) return Failure::Send;
        switch (socket->WaitReadable(timeouts.replyWait)) {
        case WaitResult::WaitFailed: return Failure::Wait;
        case WaitResult::ErrorCondition: return Failure::ErrorCondition;
        case WaitResult::TimedOut:
            if (sends >= timeouts.maxSends) return Failure::NoReply;
            continue;
        case WaitResult::Stopped: return Failure::NoReply;  // cancelled: as if the device never answered
        case WaitResult::Ready: return ReceiveCommandReply(*socket, reply, timeouts);
        }
    }
}

}  // namespace

bool SendXmlCommand(DeviceEndpoint& endpoint, const ParamMap& request, ParamMap& reply, CommandCode code) {
    std::size_t documentSize = 0;
    const Failure failure = RunCommandExchange(endpoint, request, reply, code, documentSize);
    if (failure == Failure::None) return true;
    NoteTransportFailure(ResultOf(failure));
    if (failure == Failure::TooLarge) {
        ShowTooLarge(documentSize);
    } else {
        ShowMessage(MessageOf(failure));
    }
    return false;
}

TransportResult SendXmlCommandCoded(DeviceEndpoint& endpoint, const ParamMap& request, ParamMap& reply,
                                    CommandCode code) {
    std::size_t documentSize = 0;
    const TransportResult result = ResultOf(RunCommandExchange(endpoint, request, reply, code, documentSize));
    NoteTransportFailure(result);
    return result;
}

TransportResult SendFlatXmlCommand(ParamMap& reply, DeviceEndpoint& endpoint, const ParamMap& request) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    auto socket = ConnectEndpoint(endpoint, timeouts);
    if (!socket) return kTransportConnectFailed;
    if (!socket->SendAll(BuildFlatFrame(EncodeFlatXml(request)))) return kTransportSendFailed;

    switch (socket->WaitReadable(timeouts.replyWait)) {
    case WaitResult::WaitFailed: return kTransportFailed;
    case WaitResult::TimedOut:
    case WaitResult::Stopped: return kTransportOk;  // a silent (or cancelled) device answers nothing
    case WaitResult::ErrorCondition: return kTransportReceiveFailed;
    case WaitResult::Ready: break;
    }

    std::string bytes;
    if (ReceiveAppend(*socket, bytes, kCommandReplyBufferSize) <= 0) return kTransportReceiveFailed;

    if (IsBareXmlReply(bytes)) {
        // Without a length the document is complete once it parses; until then
        // further segments are taken within the bounded wait.
        const auto deadline = SteadyClock::now() + timeouts.replyRestWait;
        for (;;) {
            ParamMap decoded;
            if (DecodeFlatXml(bytes, decoded)) {
                socket->CloseAnswered();
                for (auto& [key, value] : decoded) reply[key] = std::move(value);
                return kTransportOk;
            }
            const auto left = std::chrono::duration_cast<Millis>(deadline - SteadyClock::now());
            if (left.count() <= 0 || socket->WaitReadable(left) != WaitResult::Ready ||
                ReceiveAppend(*socket, bytes, kCommandReplyBufferSize) <= 0) {
                return kTransportUndecodable;
            }
        }
    }

    CompleteFrame(*socket, bytes, kFlatReplyLimit, timeouts.replyRestWait);
    socket->CloseAnswered();
    return DecodeFlatXml(FlatReplyDocument(bytes), reply) ? kTransportOk : kTransportUndecodable;
}

}  // namespace ostrand
