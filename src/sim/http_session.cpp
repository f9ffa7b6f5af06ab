#include "sim/http_session.h"

#include <boost/beast/http.hpp>

#include <optional>

#include "platform/code_page.h"
#include "sim/behaviours/upgrade/upgrade_sim_state.h"
#include "sim/command_handler.h"
#include "transport/file_channel.h"
#include "transport/form_codec.h"

namespace ostrand::sim {
namespace http = boost::beast::http;

namespace {

constexpr std::uint64_t kBodyLimit = 512ull << 20;

std::string_view ReasonText(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 401: return "Unauthorized";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 503: return "Service Unavailable";
        default: return "Status";
    }
}

std::string QueryValue(std::string_view query, std::string_view key) {
    std::size_t at = 0;
    while (at <= query.size()) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string_view pair = query.substr(at, end - at);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == key) {
            return PercentDecode(pair.substr(equals + 1));
        }
        at = end + 1;
    }
    return {};
}

std::string_view ViewOf(boost::beast::string_view text) {
    return std::string_view(text.data(), text.size());
}

std::string ErrorPage(int status) {
    return "<html><body><h1>" + std::to_string(status) + " " + std::string(ReasonText(status)) +
           "</h1></body></html>";
}

// `style` shapes only the answers to uploads; every other answer is HTTP/1.1.
std::string BuildResponse(const HttpReply& reply, bool keepAlive, UploadAnswerStyle style) {
    const bool http10 = style == UploadAnswerStyle::Http10;
    std::string text = std::string(http10 ? "HTTP/1.0 " : "HTTP/1.1 ") + std::to_string(reply.status) + " " +
                       std::string(ReasonText(reply.status)) + "\r\n";
    text += "Server: ostrand-devsim\r\n";
    text += "Content-Type: " + reply.contentType + "\r\n";
    text += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    // An HTTP/1.0 answer is not persistent without saying so; the closing
    // style says nothing before it closes.
    if (!http10 && style != UploadAnswerStyle::Close) {
        text += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    }
    text += "\r\n";
    text += reply.body;
    return text;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

HttpReply AnswerHttpRequest(Device& device, std::string_view method, std::string_view target,
                            std::string_view body) {
    const FaultOptions faults = device.Faults();
    HttpReply reply;
    if (faults.httpStatus != 0 && faults.httpStatus != 200) {
        reply.status = faults.httpStatus;
        reply.body = ErrorPage(faults.httpStatus);
        return reply;
    }
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    constexpr std::string_view kFormPrefix = "/goform/";
    if (path.substr(0, kFormPrefix.size()) != kFormPrefix || path.size() == kFormPrefix.size()) {
        reply.status = 404;
        reply.body = ErrorPage(404);
        return reply;
    }
    // Names and file names travel in UTF-8; the device keeps GBK.
    const std::string name = PercentDecode(path.substr(kFormPrefix.size()));
    const auto gbk = [](std::string_view utf8) {
        auto converted = Utf8ToGbk(utf8);
        return converted ? *converted : std::string(utf8);
    };

    const bool upload = name == "formUploadFile" || name == "formUploadImage";
    if (const UploadFault fault = upload ? CurrentUploadFault(device) : UploadFault{};
        fault.kind == UploadFaultKind::Refuse) {
        reply.status = fault.status;
        reply.body = ErrorPage(fault.status);
        return reply;
    }
    if (name == "formUploadFile") {
        const std::string fileName = gbk(QueryValue(query, "filename"));
        device.AddReceivedFile({"http", fileName, std::string(body), true});
        NoteUpgradeReceived(device, "http", fileName);
        reply.body = "?result=10000";
    } else if (name == "formUploadImage") {
        if (body.size() < kUploadTagSize) {
            reply.status = 400;
            reply.body = ErrorPage(400);
            return reply;
        }
        const std::string tag(body.substr(0, kUploadTagSize));
        const std::string_view chunk = body.substr(kUploadTagSize);
        const std::string fileName = gbk(QueryValue(query, "filename"));
        const bool last = chunk.size() < kImageChunkSize;
        device.AddImageChunk(tag, fileName, chunk, last);
        if (last) NoteUpgradeReceived(device, "image", fileName);
        reply.body = "?result=10000";
    } else if (name == "httpDownLoadFile") {
        switch (faults.downloadFailure) {
            case DownloadFailure::NoLogFile: reply.body = kNoLogFileText; break;
            case DownloadFailure::NoTarGzip: reply.body = kNoTarGzipText; break;
            case DownloadFailure::None:
                reply.body = device.LogArchive();
                reply.contentType = "application/x-gzip";
                break;
        }
        return reply;
    } else {
        ParamMap request;
        if (method == "POST") DecodeFormBody(gbk(body), request);
        const ParamMap answer = HandleCommand(device, name, CommandCodeForName(name), request);
        reply.body = EncodeFormBody(answer);
    }
    if (faults.emptyBody) reply.body.clear();
    if (faults.malformed) reply.body = "<html>" + reply.body + "</html>";
    return reply;
}

net::awaitable<void> ServeHttp(Connection& connection) {
    connection.SetChannel("http");
    std::string& buffer = connection.Buffer();
    for (;;) {
        std::optional<http::request_parser<http::string_body>> parser(std::in_place);
        parser->body_limit(kBodyLimit);
        // Upload faults play once the head of an upload has arrived.
        std::optional<UploadFault> uploadFault;
        UploadAnswerStyle answerStyle = UploadAnswerStyle::KeepAlive;
        bool continueSent = false;
        std::uint64_t requestBytes = 0;
        for (;;) {
            while (!buffer.empty() && !parser->is_done()) {
                boost::system::error_code error;
                const std::size_t used = parser->put(net::buffer(buffer), error);
                buffer.erase(0, used);
                requestBytes += used;
                if (error == http::error::need_more) {
                    if (used == 0) break;
                    continue;
                }
                if (error) co_return;  // not HTTP: drop the connection
            }
            if (!uploadFault && parser->is_header_done()) {
                const std::string_view target = ViewOf(parser->get().target());
                const bool upload = target.starts_with("/goform/formUpload");
                uploadFault = upload ? CurrentUploadFault(connection.Dev()) : UploadFault{};
                if (upload) answerStyle = CurrentUploadAnswerStyle(connection.Dev());
            }
            if (answerStyle == UploadAnswerStyle::Continue && !continueSent && parser->is_header_done()) {
                // Sent whether or not the client asked for it, as some servers do.
                continueSent = true;
                // Named, not temporaries: the compiler mishandles temporaries of a co_await.
                const FaultOptions noFaults;
                std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
                if (!co_await connection.Send(std::move(interim), noFaults)) co_return;
            }
            if (uploadFault && requestBytes >= uploadFault->afterBytes) {
                if (uploadFault->kind == UploadFaultKind::Reset) co_return;
                if (uploadFault->kind == UploadFaultKind::Stall) {
                    co_await connection.StaySilent();
                    co_return;
                }
            }
            if (parser->is_done()) break;
            if (!co_await connection.ReadMore()) co_return;
        }
        const auto& request = parser->get();
        const FaultOptions faults = connection.Dev().Faults();
        switch (co_await connection.ApplyRequestFaults(faults)) {
            case Connection::RequestStep::End: co_return;
            case Connection::RequestStep::NextRequest: continue;
            case Connection::RequestStep::Answer: break;
        }
        if (faults.silent) {
            co_await connection.StaySilent();
            co_return;
        }
        const HttpReply reply =
            AnswerHttpRequest(connection.Dev(), ViewOf(request.method_string()),
                              ViewOf(request.target()), request.body());
        const bool keepAlive = request.keep_alive() && answerStyle != UploadAnswerStyle::Http10 &&
                               answerStyle != UploadAnswerStyle::Close;
        std::string response = BuildResponse(reply, keepAlive, answerStyle);
        if (!co_await connection.Send(std::move(response), faults)) co_return;
        if (!keepAlive) co_return;
    }
}

}  // namespace ostrand::sim
