#include "platform/net/http_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/clock.h"
#include "platform/net/tcp_socket.h"

namespace ostrand::net {

namespace {

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct SlistDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

void Append(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) throw HttpError("out of memory building the request headers");
    (void)list.release();
    list.reset(grown);
}

struct BodySink {
    CURL* curl = nullptr;
    const HttpRequest* request = nullptr;
    HttpResponse* response = nullptr;
    bool received = false;
    bool tooLarge = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    sink->received = true;
    if (sink->request->onBody) {
        long status = 0;
        curl_easy_getinfo(sink->curl, CURLINFO_RESPONSE_CODE, &status);
        if (!sink->request->onBody(status, std::string_view(data, bytes))) return 0;  // aborts the transfer
    } else {
        if (bytes > sink->request->maxCollectedBody - sink->response->body.size()) {
            sink->tooLarge = true;
            return 0;  // aborts the transfer
        }
        sink->response->body.append(data, bytes);
    }
    return bytes;
}

// Proxies come from the environment as the desktop's are preconfigured, but a
// device on the loopback network is always reached directly.
std::string NoProxyList() {
    std::string list = "localhost,127.0.0.0/8";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            list += ',';
            list += value;
            break;
        }
    }
    return list;
}

long StallSeconds(std::chrono::milliseconds stall) {
    const long seconds = static_cast<long>((stall.count() + 999) / 1000);
    return seconds < 1 ? 1 : seconds;
}

std::string HostPort(const HttpRequest& request) {
    return request.host + ":" + std::to_string(request.port);
}

}  // namespace

HttpSession::HttpSession() {
    InitialiseCurlOnce();
    handle_ = curl_easy_init();
    if (handle_ == nullptr) throw HttpError("the HTTP client could not be created");
}

HttpSession::~HttpSession() { curl_easy_cleanup(static_cast<CURL*>(handle_)); }

HttpResponse HttpSession::Perform(const HttpRequest& request) {
    CURL* curl = static_cast<CURL*>(handle_);
    const int attempts = 1 + (request.connectRetries > 0 ? request.connectRetries : 0);
    for (int attempt = 1;; ++attempt) {
        curl_easy_reset(curl);  // keeps the connection cache
        HttpResponse response;
        BodySink sink{curl, &request, &response, false};
        char errorText[CURL_ERROR_SIZE] = {};
        const std::string url = "http://" + HostPort(request) + "/";
        const std::string noProxy = NoProxyList();

        Slist headers;
        // Only the headers the caller names are added to the request.
        bool callerAccept = false;
        bool callerContentType = false;
        for (const auto& line : request.headers) {
            if (line.rfind("Accept:", 0) == 0) callerAccept = true;
            if (line.rfind("Content-Type:", 0) == 0) callerContentType = true;
        }
        if (!callerAccept) Append(headers, "Accept:");
        Append(headers, "Expect:");
        for (const auto& line : request.headers) Append(headers, line);
        if (request.method == "POST" && !callerContentType) Append(headers, "Content-Type:");

        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_REQUEST_TARGET, request.target.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy.c_str());
        curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeout.count()));
        if (request.stallTimeout.count() > 0) {
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, StallSeconds(request.stallTimeout));
        }
        if (request.freshConnection) curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        if (request.method == "POST") {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        } else {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        }
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

        const CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_OK) {
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
            return response;
        }
        if (sink.tooLarge) {
            throw HttpError("the reply of " + HostPort(request) + " is longer than " +
                            std::to_string(request.maxCollectedBody) + " bytes");
        }
        curl_off_t connectTime = 0;
        curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
        const bool notConnected =
            code == CURLE_COULDNT_CONNECT || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0);
        if (notConnected && !sink.received && attempt < attempts) {
            CurrentClock().SleepFor(request.connectBackoff);
            continue;
        }
        std::string description = curl_easy_strerror(code);
        if (errorText[0] != '\0') {
            description += ": ";
            description += errorText;
        }
        throw HttpError(description);
    }
}

HttpResponse PerformHttp(const HttpRequest& request) {
    HttpSession session;
    return session.Perform(request);
}

void SendRequestWithoutReply(const HttpRequest& request) {
    if (request.port <= 0 || request.port > 65535) throw HttpError("invalid port " + std::to_string(request.port));
    auto socket = TcpSocket::Connect(request.host, static_cast<std::uint16_t>(request.port), request.connectTimeout);
    if (!socket) throw HttpError("Couldn't connect to server " + HostPort(request));
    std::string head = request.method + " " + request.target + " HTTP/1.1\r\n";
    head += "Host: " + HostPort(request) + "\r\n";
    head += "User-Agent: " + request.userAgent + "\r\n";
    for (const auto& line : request.headers) head += line + "\r\n";
    head += "Content-Length: 0\r\n\r\n";
    if (!socket->SendAll(head, request.connectTimeout)) throw HttpError("Failed sending data to " + HostPort(request));
}

}  // namespace ostrand::net
