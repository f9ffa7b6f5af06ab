#include "platform/net/http_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/clock.h"
#include "platform/net/no_proxy.h"
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
    bool tooSlow = false;
    std::chrono::steady_clock::time_point started{};
};

// Ends a transfer whose body falls below the request's average-rate floor once
// the grace has passed. libcurl calls this at least once a second, also while
// nothing arrives.
int CheckRate(void* user, curl_off_t /*downloadTotal*/, curl_off_t downloaded, curl_off_t /*uploadTotal*/,
              curl_off_t /*uploaded*/) {
    auto* sink = static_cast<BodySink*>(user);
    const HttpRequest& request = *sink->request;
    if (request.minAverageRate == 0) return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - sink->started);
    const auto bytes = static_cast<std::uint64_t>(downloaded > 0 ? downloaded : 0);
    const auto earned = std::chrono::milliseconds(static_cast<std::int64_t>(bytes * 1000 / request.minAverageRate));
    if (elapsed <= request.rateGrace + earned) return 0;
    sink->tooSlow = true;
    return 1;  // aborts the transfer
}

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

long StallSeconds(std::chrono::milliseconds stall) {
    const long seconds = static_cast<long>((stall.count() + 999) / 1000);
    return seconds < 1 ? 1 : seconds;
}

std::string HostPort(const HttpRequest& request) {
    return request.host + ":" + std::to_string(request.port);
}

// The Host header as libcurl writes it: the port only when it is not 80.
std::string HostHeader(const HttpRequest& request) {
    return request.port == 80 ? request.host : HostPort(request);
}

std::string Seconds(std::chrono::milliseconds wait) {
    const auto tenths = (wait.count() + 50) / 100;
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text + " s";
}

}  // namespace

HttpSession::HttpSession(bool keepConnections) : keepConnections_(keepConnections) {
    InitialiseCurlOnce();
    handle_ = curl_easy_init();
    if (handle_ == nullptr) throw HttpError("the HTTP client could not be created");
}

HttpSession::~HttpSession() { curl_easy_cleanup(static_cast<CURL*>(handle_)); }

HttpResponse HttpSession::Perform(const HttpRequest& request) {
    CURL* curl = static_cast<CURL*>(handle_);
    // libcurl would take port 0 for the scheme's default and reach port 80.
    if (request.port <= 0 || request.port > 65535) throw HttpError("invalid port " + std::to_string(request.port));
    const int attempts = 1 + (request.connectRetries > 0 ? request.connectRetries : 0);
    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&started] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    };
    const auto deadlinePassed = [&] {
        return HttpError("no complete reply from " + HostPort(request) + " within " +
                             Seconds(request.totalTimeout),
                         HttpError::Kind::Deadline);
    };
    for (int attempt = 1;; ++attempt) {
        curl_easy_reset(curl);  // keeps the connection cache
        HttpResponse response;
        BodySink sink{curl, &request, &response};
        sink.started = std::chrono::steady_clock::now();
        std::chrono::milliseconds remaining{0};
        if (request.totalTimeout.count() > 0) {
            remaining = request.totalTimeout - elapsed();
            if (remaining.count() <= 0) throw deadlinePassed();
        }
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
        if (remaining.count() > 0) curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(remaining.count()));
        if (request.minAverageRate > 0) {
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CheckRate);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        }
        if (request.freshConnection) curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        if (!keepConnections_) curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
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
                                std::to_string(request.maxCollectedBody) + " bytes",
                            HttpError::Kind::TooLarge);
        }
        if (sink.tooSlow) {
            throw HttpError("the reply of " + HostPort(request) + " arrived slower than " +
                                std::to_string(request.minAverageRate) + " bytes/s",
                            HttpError::Kind::TooSlow);
        }
        if (code == CURLE_OPERATION_TIMEDOUT && remaining.count() > 0) {
            // libcurl's own clock may end the transfer a little before ours has
            // counted the whole remaining time.
            curl_off_t attemptMicros = 0;
            curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME_T, &attemptMicros);
            constexpr curl_off_t kClockSlackMicros = 20'000;
            if (attemptMicros + kClockSlackMicros >= static_cast<curl_off_t>(remaining.count()) * 1000) {
                throw deadlinePassed();
            }
        }
        curl_off_t connectTime = 0;
        curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
        const bool notConnected =
            code == CURLE_COULDNT_CONNECT || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0);
        const bool timeForAnother =
            request.totalTimeout.count() == 0 || elapsed() + request.connectBackoff < request.totalTimeout;
        if (notConnected && !sink.received && attempt < attempts && timeForAnother) {
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
    // Setting up a client costs more than many a request on loopback, so each
    // thread keeps one; its connections still end with their request.
    thread_local HttpSession session(false);
    thread_local bool busy = false;
    if (busy) {  // a request made from inside another one's callback
        HttpSession own(false);
        return own.Perform(request);
    }
    busy = true;
    struct Release {
        bool& flag;
        ~Release() { flag = false; }
    } release{busy};
    return session.Perform(request);
}

void SendRequestWithoutReply(const HttpRequest& request) {
    if (request.port <= 0 || request.port > 65535) throw HttpError("invalid port " + std::to_string(request.port));
    auto socket = TcpSocket::Connect(request.host, static_cast<std::uint16_t>(request.port), request.connectTimeout);
    if (!socket) throw HttpError("Couldn't connect to server " + HostPort(request));
    std::string head = request.method + " " + request.target + " HTTP/1.1\r\n";
    head += "Host: " + HostHeader(request) + "\r\n";
    head += "User-Agent: " + request.userAgent + "\r\n";
    for (const auto& line : request.headers) head += line + "\r\n";
    head += "Content-Length: 0\r\n\r\n";
    if (!socket->SendAll(head, request.connectTimeout)) throw HttpError("Failed sending data to " + HostPort(request));
}

}  // namespace ostrand::net
