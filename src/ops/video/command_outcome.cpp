#include "ops/video/command_outcome.h"

#include <algorithm>

#include "devices/device_ports.h"
#include "platform/code_page.h"
#include "platform/net/http_client.h"
#include "transport/command_code.h"
#include "transport/failure_note.h"
#include "transport/form_codec.h"
#include "transport/request_target.h"
#include "transport/transport_settings.h"

namespace ostrand::video {

namespace {

constexpr const char* kCarriedOut = "10000";
constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded;";

std::string ReplyValue(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

// Position of the first "=" at or after `from`, stepping over GBK double-byte
// characters as the form decoder does.
std::size_t FindEqualsMultibyte(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '=') return i;
        i += (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
    }
    return std::string_view::npos;
}

bool Kept(std::string_view key, const std::vector<std::string_view>& keep) {
    if (keep.empty() || key == "result" || key == "errmsg") return true;
    return std::find(keep.begin(), keep.end(), key) != keep.end();
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

std::size_t Keep(ParamMap& reply, const std::vector<std::string_view>& keep) {
    std::size_t dropped = 0;
    if (keep.empty()) return dropped;
    for (auto it = reply.begin(); it != reply.end();) {
        if (Kept(it->first, keep)) {
            ++it;
        } else {
            it = reply.erase(it);
            ++dropped;
        }
    }
    return dropped;
}

// The form channel's exchange, bounded by the action's deadline.
void Exchange(CommandTarget& target, CommandOutcome& outcome, const ExchangeBounds& bounds) {
    const std::string& name = outcome.command;
    if (target.ip.empty() || name.empty() || !IsSafeRequestName(name)) {
        outcome.result = kTransportBadParameter;
        return;
    }
    if (bounds.deadline != nullptr && bounds.deadline->Passed()) {
        outcome.result = kTransportFailed;
        outcome.skipped = true;
        outcome.detail = "the action's time (FormTimeout) has run out";
        NoteTransportFailure(outcome.result);
        return;
    }
    ParamMap request = outcome.request;
    if (target.port == kTcpCommandPort && CommandCodeForName(name) != 0) {
        // A camera behind the TCP command channel: its waits are the channel's.
        outcome.result = outcome.post
                             ? PostFormCommandCoded(target, name, request, outcome.reply, &outcome.detail)
                             : GetFormCommandCoded(target, name, outcome.reply, &outcome.detail);
        outcome.dropped = Keep(outcome.reply, bounds.keep);
        return;
    }
    std::string body;
    if (outcome.post) {
        request[kFixedFormKey] = kFixedFormValue;
        std::optional<std::string> utf8;
        if (!FormRequestProblem(request)) utf8 = GbkToUtf8(EncodeFormBody(request));
        if (!utf8 || utf8->size() > kMaxFormBodySize) {
            outcome.result = kTransportBadParameter;
            return;
        }
        body = std::move(*utf8);
    }
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    net::HttpRequest http;
    http.host = target.ip;
    http.port = target.port;
    http.method = outcome.post ? "POST" : "GET";
    http.target = "/goform/" + name;
    http.headers.emplace_back(kFormContentType);
    http.body = body;
    http.connectTimeout = timeouts.httpConnectTimeout;
    http.connectBackoff = timeouts.httpConnectBackoff;
    http.connectRetries = timeouts.httpConnectRetries;
    http.stallTimeout = timeouts.httpFormReceiveTimeout;
    http.totalTimeout = timeouts.httpFormDeadline;
    if (bounds.deadline != nullptr) {
        http.totalTimeout = std::min(http.totalTimeout, std::max(bounds.deadline->Remaining(), std::chrono::milliseconds(1)));
        http.connectTimeout = std::min(http.connectTimeout, http.totalTimeout);
    }
    try {
        const net::HttpResponse response = net::PerformHttp(http);
        if (response.status != 200) {
            outcome.result = kTransportFailed;
            outcome.httpStatus = response.status;
        } else {
            outcome.dropped = DecodeFormKeeping(JoinLines(response.body), bounds.keep, outcome.reply);
        }
    } catch (const net::HttpError& error) {
        outcome.result = kTransportFailed;
        outcome.detail = error.what();
    }
    NoteTransportFailure(outcome.result);
}

CommandOutcome Send(CommandTarget& target, std::string command, ParamMap request, bool post,
                    const ExchangeBounds& bounds) {
    CommandOutcome outcome;
    outcome.command = std::move(command);
    outcome.request = std::move(request);
    outcome.post = post;
    Exchange(target, outcome, bounds);
    return outcome;
}

}  // namespace

bool CommandOutcome::Succeeded() const {
    if (skipped || result != kTransportOk) return false;
    const auto it = reply.find("result");
    return it == reply.end() || it->second == kCarriedOut;
}

bool CommandOutcome::Usable() const { return Succeeded() && (!reply.empty() || dropped > 0); }

bool CommandOutcome::NoAnswer() const {
    if (skipped) return true;
    return result != kTransportOk && result != kTransportBadParameter && httpStatus == 0;
}

std::string ShownFailure(const CommandOutcome& outcome) {
    if (outcome.skipped) return {};
    if (outcome.httpStatus != 0) {
        return outcome.post ? "POST出错，错误码：" + std::to_string(outcome.httpStatus) : std::string();
    }
    if (outcome.NoAnswer()) return outcome.detail.empty() ? TransportResultText(outcome.result) : outcome.detail;
    return {};
}

bool WriteResult::Succeeded() const {
    return std::all_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.Succeeded(); });
}

TransportResult WriteResult::FirstFailure() const {
    for (const CommandOutcome& outcome : sent) {
        if (outcome.result != kTransportOk) return outcome.result;
        if (!outcome.Succeeded()) return kTransportFailed;
    }
    return kTransportOk;
}

std::string WriteResult::FailureText() const {
    for (const CommandOutcome& outcome : sent) {
        if (outcome.result != kTransportOk) {
            std::string text = TransportResultText(outcome.result);
            if (!outcome.detail.empty()) text += ": " + outcome.detail;
            if (outcome.httpStatus != 0) text += ": " + outcome.command + " HTTP " + std::to_string(outcome.httpStatus);
            return text;
        }
        if (!outcome.Succeeded()) {
            const std::string errmsg = ReplyValue(outcome.reply, "errmsg");
            const std::string code = ReplyValue(outcome.reply, "result");
            return outcome.command + " " + code + (errmsg.empty() ? "" : " " + GbkToUtf8Lossy(errmsg));
        }
    }
    return {};
}

bool WriteResult::NoAnswer() const {
    return std::any_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.NoAnswer(); });
}

bool WriteResult::NothingAnswered() const {
    return !sent.empty() &&
           std::all_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.NoAnswer(); });
}

ActionDeadline::ActionDeadline() : ActionDeadline(CurrentTransportTimeouts().httpFormDeadline) {}

ActionDeadline::ActionDeadline(std::chrono::milliseconds budget) : end_(Clock::now() + budget) {}

std::chrono::milliseconds ActionDeadline::Remaining() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
}

CommandOutcome PostCommand(CommandTarget& target, std::string command, ParamMap request,
                           const ExchangeBounds& bounds) {
    return Send(target, std::move(command), std::move(request), true, bounds);
}

CommandOutcome GetCommand(CommandTarget& target, std::string command, const ExchangeBounds& bounds) {
    return Send(target, std::move(command), {}, false, bounds);
}

std::size_t DecodeFormKeeping(std::string_view body, const std::vector<std::string_view>& keep, ParamMap& reply) {
    std::size_t dropped = 0;
    if (body.empty() || body.front() != '?') return dropped;
    std::size_t separator = 0;
    for (;;) {
        const std::size_t equals = FindEqualsMultibyte(body, separator + 1);
        if (equals == std::string_view::npos) return dropped;
        const std::string_view key = body.substr(separator + 1, equals - separator - 1);
        const std::size_t ampersand = equals + 1 == body.size() ? std::string_view::npos : body.find('&', equals + 1);
        const std::string_view value =
            ampersand == std::string_view::npos ? body.substr(equals + 1) : body.substr(equals + 1, ampersand - equals - 1);
        if (Kept(key, keep)) {
            reply[std::string(key)] = std::string(value);
        } else {
            ++dropped;
        }
        if (ampersand == std::string_view::npos) return dropped;
        separator = ampersand;
    }
}

}  // namespace ostrand::video
