#include "transport/form_channel.h"

#include "transport/failure_note.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/net/http_client.h"
#include "transport/command_code.h"
#include "transport/form_codec.h"
#include "transport/request_target.h"
#include "transport/transport_settings.h"

namespace ostrand {

namespace {

constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded;";

enum class Verb : std::uint8_t { Get, Post };

// Bool calls show their failures; coded calls show nothing and leave the text
// to their caller (TransportResultText).
enum class Style : std::uint8_t { Shown, Coded };

struct HttpOutcome {
    enum class Kind : std::uint8_t { Ok, Status, Refused, LayerError } kind = Kind::Ok;
    long status = 0;
};

std::string FormTarget(std::string_view name) { return "/goform/" + std::string(name); }

net::HttpRequest FormRequest(const CommandTarget& target, std::string_view name, Verb verb) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    net::HttpRequest http;
    http.host = target.ip;
    http.port = target.port;
    http.method = verb == Verb::Post ? "POST" : "GET";
    http.target = FormTarget(name);
    http.headers.emplace_back(kFormContentType);
    http.connectTimeout = timeouts.httpConnectTimeout;
    http.connectBackoff = timeouts.httpConnectBackoff;
    http.connectRetries = timeouts.httpConnectRetries;
    http.stallTimeout = timeouts.httpFormReceiveTimeout;
    http.totalTimeout = timeouts.httpFormDeadline;
    return http;
}

void ShowIf(Style style, const std::string& text) {
    if (style == Style::Shown) ShowMessage(text);
}

// The body as sent: the form text in UTF-8, refused when it would not travel
// intact.
std::optional<std::string> WireFormBody(const ParamMap& request, Style style) {
    if (auto problem = FormRequestProblem(request)) {
        ShowIf(style, *problem);
        return std::nullopt;
    }
    auto utf8 = GbkToUtf8(EncodeFormBody(request));
    if (!utf8) {
        ShowIf(style, Tr("请求内容含有无法转换的字符，未发送",
                         "The request holds text that cannot be converted; it was not sent"));
        return std::nullopt;
    }
    if (utf8->size() > kMaxFormBodySize) {
        ShowIf(style, std::string(Tr("请求内容过长（", "The request is too long (")) + std::to_string(utf8->size()) +
                          Tr(" 字节，最多 ", " bytes, at most ") + std::to_string(kMaxFormBodySize) +
                          Tr(" 字节），未发送", " bytes); it was not sent"));
        return std::nullopt;
    }
    return utf8;
}

// The reply text lines joined without their line breaks.
std::string JoinLines(std::string_view body) {
    std::string joined;
    joined.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '\n') continue;
        if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') continue;
        joined += body[i];
    }
    return joined;
}

HttpOutcome RunFormExchange(CommandTarget& target, std::string_view name, Verb verb, ParamMap* request,
                            ParamMap& reply, Style style, std::string* failureDetail,
                            const FormCallBounds* bounds = nullptr, FormCallReport* report = nullptr) {
    std::string body;
    if (verb == Verb::Post) {
        (*request)[kFixedFormKey] = kFixedFormValue;
        auto wire = WireFormBody(*request, style);
        if (!wire) return {HttpOutcome::Kind::Refused, 0};
        body = std::move(*wire);
    }
    net::HttpRequest http = FormRequest(target, name, verb);
    http.body = body;
    if (bounds != nullptr && bounds->remaining) {
        // The caller's whole action ends by then, this exchange with it.
        http.totalTimeout = std::min(http.totalTimeout, std::max(*bounds->remaining, std::chrono::milliseconds(1)));
        http.connectTimeout = std::min(http.connectTimeout, http.totalTimeout);
    }
    try {
        const net::HttpResponse response = net::PerformHttp(http);
        if (response.status != 200) {
            if (report != nullptr) report->httpStatus = response.status;
            return {HttpOutcome::Kind::Status, response.status};
        }
        std::size_t dropped = 0;
        (void)DecodeFormBody(JoinLines(response.body), reply,
                             bounds != nullptr ? std::span<const std::string_view>(bounds->keep)
                                               : std::span<const std::string_view>(),
                             dropped);
        if (report != nullptr) report->dropped = dropped;
        return {HttpOutcome::Kind::Ok, 200};
    } catch (const net::HttpError& error) {
        // The HTTP layer's own description reaches the user of a bool call; the
        // operation ends here.
        ShowIf(style, error.what());
        if (failureDetail != nullptr) *failureDetail = error.what();
        if (report != nullptr) report->failure = error.what();
        return {HttpOutcome::Kind::LayerError, 0};
    }
}

// The common start of every call: an empty IP or name is refused silently, a
// name that would break the request line is refused before anything is sent.
enum class Start : std::uint8_t { Go, Empty, UnsafeName };

Start CheckStart(const CommandTarget& target, std::string_view name) {
    if (target.ip.empty() || name.empty()) return Start::Empty;
    return IsSafeRequestName(name) ? Start::Go : Start::UnsafeName;
}

bool RefuseShown(Start start) {
    NoteTransportFailure(kTransportBadParameter);
    if (start == Start::UnsafeName) ShowMessage(TransportResultText(kTransportBadParameter));
    return false;
}

TransportResult CodedResult(const HttpOutcome& outcome) {
    switch (outcome.kind) {
    case HttpOutcome::Kind::Ok: return kTransportOk;
    case HttpOutcome::Kind::Refused: return kTransportBadParameter;
    case HttpOutcome::Kind::Status:
    case HttpOutcome::Kind::LayerError: return kTransportFailed;
    }
    return kTransportFailed;
}

bool UsesTcp(const CommandTarget& target, std::string_view name, CommandCode& code) {
    if (target.port != kTcpCommandPort) return false;
    code = CommandCodeForName(name);
    return code != 0;
}

ParamMap GetOverTcpRequest() { return ParamMap{{"result", "10000"}}; }

}  // namespace

void CommandTarget::Set(std::string ipText, std::int32_t portNumber) {
    ip = std::move(ipText);
    port = portNumber;
    endpoint.ip = ip;
    endpoint.port = static_cast<std::uint16_t>(portNumber);
}

bool PostFormCommand(CommandTarget& target, std::string_view name, ParamMap& request, ParamMap& reply) {
    if (const Start start = CheckStart(target, name); start != Start::Go) return RefuseShown(start);
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) return SendXmlCommand(target.endpoint, request, reply, code);
    const HttpOutcome outcome = RunFormExchange(target, name, Verb::Post, &request, reply, Style::Shown, nullptr);
    if (outcome.kind == HttpOutcome::Kind::Status) {
        ShowMessage("POST出错，错误码：" + std::to_string(outcome.status));
    }
    NoteTransportFailure(CodedResult(outcome));
    return outcome.kind == HttpOutcome::Kind::Ok;
}

TransportResult PostFormCommandCoded(CommandTarget& target, std::string_view name, ParamMap& request,
                                     ParamMap& reply, std::string* failureDetail) {
    if (CheckStart(target, name) != Start::Go) return kTransportBadParameter;
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) return SendXmlCommandCoded(target.endpoint, request, reply, code);
    const TransportResult result =
        CodedResult(RunFormExchange(target, name, Verb::Post, &request, reply, Style::Coded, failureDetail));
    NoteTransportFailure(result);
    return result;
}

TransportResult FormCommandCoded(CommandTarget& target, std::string_view name, bool post, ParamMap& request,
                                 ParamMap& reply, const FormCallBounds& bounds, FormCallReport& report) {
    if (CheckStart(target, name) != Start::Go) return kTransportBadParameter;
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) {
        // The TCP channel has waits of its own; the reply is cut to the keys afterwards.
        ParamMap full;
        const TransportResult result =
            SendXmlCommandCoded(target.endpoint, post ? request : GetOverTcpRequest(), full, code);
        for (auto& [key, value] : full) {
            if (bounds.keep.empty() || std::find(bounds.keep.begin(), bounds.keep.end(), key) != bounds.keep.end()) {
                reply[key] = std::move(value);
            } else {
                ++report.dropped;
            }
        }
        return result;
    }
    const TransportResult result = CodedResult(RunFormExchange(target, name, post ? Verb::Post : Verb::Get,
                                                               post ? &request : nullptr, reply, Style::Coded,
                                                               nullptr, &bounds, &report));
    NoteTransportFailure(result);
    return result;
}

bool GetFormCommand(CommandTarget& target, std::string_view name, ParamMap& reply) {
    if (const Start start = CheckStart(target, name); start != Start::Go) return RefuseShown(start);
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) return SendXmlCommand(target.endpoint, GetOverTcpRequest(), reply, code);
    const HttpOutcome outcome = RunFormExchange(target, name, Verb::Get, nullptr, reply, Style::Shown, nullptr);
    NoteTransportFailure(CodedResult(outcome));
    return outcome.kind == HttpOutcome::Kind::Ok;
}

TransportResult GetFormCommandCoded(CommandTarget& target, std::string_view name, ParamMap& reply,
                                    std::string* failureDetail) {
    if (CheckStart(target, name) != Start::Go) return kTransportBadParameter;
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) return SendXmlCommandCoded(target.endpoint, GetOverTcpRequest(), reply, code);
    const TransportResult result =
        CodedResult(RunFormExchange(target, name, Verb::Get, nullptr, reply, Style::Coded, failureDetail));
    NoteTransportFailure(result);
    return result;
}

bool PostFormNoReply(CommandTarget& target, std::string_view name) {
    if (const Start start = CheckStart(target, name); start != Start::Go) return RefuseShown(start);
    CommandCode code = 0;
    if (UsesTcp(target, name, code)) {
        ParamMap discarded;
        return SendXmlCommand(target.endpoint, ParamMap{}, discarded, code);
    }
    net::HttpRequest http = FormRequest(target, name, Verb::Post);
    http.headers.clear();
    try {
        net::SendRequestWithoutReply(http);
    } catch (const net::HttpError& error) {
        NoteTransportFailure(kTransportFailed);
        ShowMessage(error.what());
        return false;
    }
    return true;
}

const char* TransportResultText(TransportResult result) {
    switch (result) {
    case 0: return "成功";
    case 1: return "连接服务失败";
    case 4: return "发送失败";
    case 5: return "接收返回消息失败";
    case 8: return "解码失败";
    case 9: return "参数错误";
    case 10: return "失败";
    default: return "未知错误";
    }
}

}  // namespace ostrand
