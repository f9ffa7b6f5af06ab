#include "platform/net/http_client.h"

#include <curl/curl.h>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include <unistd.h>

#include "platform/clock.h"
#include "platform/net/no_proxy.h"
#include "platform/net/tcp_socket.h"
#include "platform/stop_signal.h"

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

constexpr std::chrono::milliseconds kKeptConnectionGrace{10};

// An upload's body: the request's pieces read one after another where they lie.
struct PieceSource {
    const std::vector<std::string_view>* pieces = nullptr;
    std::size_t piece = 0;
    std::size_t offset = 0;
    // libcurl sends a request again on a fresh connection when a reused one
    // fails before any answer. That is right for a connection the device had
    // closed meanwhile, and wrong once the device took part of the body: it
    // broke off this request, and it is not sent twice.
    bool mayRewind = true;
    // The kept connection the request started on, and what the device had
    // confirmed on it before.
    int keptSocket = -1;
    std::uint64_t confirmedBefore = 0;
};

// The upload running on this thread, seen by the close of its connection:
// libcurl closes a broken kept connection before it opens the next one.
thread_local PieceSource* runningUpload = nullptr;

std::size_t ReadPieces(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* source = static_cast<PieceSource*>(user);
    const std::size_t room = size * count;
    std::size_t filled = 0;
    while (filled < room && source->piece < source->pieces->size()) {
        const std::string_view piece = (*source->pieces)[source->piece];
        const std::size_t take = std::min(room - filled, piece.size() - source->offset);
        // An empty piece (no lead) may have no storage at all.
        if (take > 0) std::memcpy(buffer + filled, piece.data() + source->offset, take);
        filled += take;
        source->offset += take;
        if (source->offset == piece.size()) {
            ++source->piece;
            source->offset = 0;
        }
    }
    return filled;
}

// libcurl rewinds the body when it sends the request again on a fresh
// connection (a reused one the device had closed meanwhile).
int SeekPieces(void* user, curl_off_t offset, int origin) {
    auto* source = static_cast<PieceSource*>(user);
    if (origin != SEEK_SET || offset < 0 || !source->mayRewind) return CURL_SEEKFUNC_CANTSEEK;
    auto left = static_cast<std::uint64_t>(offset);
    source->piece = 0;
    source->offset = 0;
    while (source->piece < source->pieces->size() && left >= (*source->pieces)[source->piece].size()) {
        left -= (*source->pieces)[source->piece].size();
        ++source->piece;
    }
    if (left > 0 && source->piece == source->pieces->size()) return CURL_SEEKFUNC_FAIL;
    source->offset = static_cast<std::size_t>(left);
    return CURL_SEEKFUNC_OK;
}

// Opens the sockets of an upload's connections; none once the device has taken
// part of the request on a kept connection (see PieceSource::mayRewind), so
// the request is not sent a second time.
curl_socket_t OpenUploadSocket(void* user, curlsocktype /*purpose*/, curl_sockaddr* address) {
    const auto* source = static_cast<const PieceSource*>(user);
    if (!source->mayRewind) return CURL_SOCKET_BAD;
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// Bytes the connection's socket has received so far, headers included: an
// answer's head that arrives a byte at a time is progress too.
struct SocketCounts {
    std::uint64_t received = 0;
    std::uint64_t acknowledged = 0;  // of the bytes sent, those the peer confirmed
    bool unconfirmed = false;        // bytes handed over that the peer has not confirmed yet
};

SocketCounts CountsOf(int socket) {
    if (socket < 0) return {};
    tcp_info info{};
    socklen_t length = sizeof info;
    if (getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return {};
    int queued = 0;
    if (ioctl(socket, SIOCOUTQ, &queued) != 0) queued = 0;
    return {info.tcpi_bytes_received, info.tcpi_bytes_acked, queued > 0};
}

// The session keeps the descriptor of its connection, which libcurl does not
// tell during a transfer.
int NoteSocket(void* user, curl_socket_t socket, curlsocktype /*purpose*/) {
    *static_cast<int*>(user) = socket;
    return CURL_SOCKOPT_OK;
}

int CloseSocket(void* user, curl_socket_t socket) {
    // Whether the device took part of the request is read before the
    // connection goes, so however fast the break and the retry follow each
    // other, a request it took part of is not sent again.
    if (PieceSource* upload = runningUpload; upload != nullptr && socket == upload->keptSocket &&
                                              CountsOf(socket).acknowledged != upload->confirmedBefore) {
        upload->mayRewind = false;
    }
    auto* noted = static_cast<int*>(user);
    if (*noted == socket) *noted = -1;
    return ::close(socket);
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

// The failure of an exchange whose thread's stop was raised: what the call
// gives when the device does not answer at that point, its text saying why.
HttpError StoppedError(const HttpRequest& request, HttpError::Kind kind) {
    NoteStopped();
    const std::string where = HostPort(request);
    if (kind == HttpError::Kind::Other) return HttpError("Couldn't connect to server " + where + ": cancelled", kind);
    return HttpError("no reply from " + where + ": cancelled while waiting", kind);
}

// curl_multi_poll that also wakes for this thread's stop.
void PollWithStop(CURLM* multi, std::chrono::milliseconds wait) {
    const int stop = CurrentStopDescriptor();
    curl_waitfd extra{stop, CURL_WAIT_POLLIN, 0};
    curl_multi_poll(multi, stop >= 0 ? &extra : nullptr, stop >= 0 ? 1u : 0u, static_cast<int>(wait.count()), nullptr);
}

// How far a transfer got: connected, and the request may go.
bool Connected(CURL* curl) {
    curl_off_t connected = 0;  // a reused connection has no connect time, but this one
    curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &connected);
    return connected != 0;
}

// An ordinary exchange run on a multi handle instead of curl_easy_perform, so
// that the thread's stop ends it at once (libcurl looks at a progress callback
// only about once a second while a device is silent). The bytes and bounds
// are those of curl_easy_perform, which runs the same loop inside.
CURLcode PerformUnderStop(CURLM* multi, CURL* curl, bool& stopped) {
    constexpr std::chrono::milliseconds kLongestPoll{1000};
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) return CURLE_FAILED_INIT;
    struct Detach {
        CURLM* multi;
        CURL* curl;
        ~Detach() { curl_multi_remove_handle(multi, curl); }  // closes a connection still open
    } detach{multi, curl};
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_FAILED_INIT;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == curl) return message->data.result;
        }
        if (CurrentStopRaised()) {
            stopped = true;
            return CURLE_ABORTED_BY_CALLBACK;
        }
        if (running != 0) PollWithStop(multi, kLongestPoll);
    }
}

// How an upload ended when its own bounds ended it.
struct UploadWatch {
    std::uint64_t total = 0;
    std::uint64_t sent = 0;  // the most bytes of the body seen leave
    std::optional<HttpError> failure;
};

std::string SentText(std::uint64_t sent) { return "sending after " + std::to_string(sent) + " bytes"; }

// Runs one upload on the session's multi handle, checking its bounds between
// short polls: the body must keep leaving, the device must not fall silent
// before its answer, and the answer must be complete within answerTimeout of
// the last byte.
CURLcode PerformUpload(CURLM* multi, CURL* curl, const int& socket, PieceSource& source, const HttpRequest& request,
                       UploadWatch& watch) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    constexpr milliseconds kPollStep{20};
    // A connection kept from the last request: what it had confirmed before.
    const int keptSocket = socket;
    const std::uint64_t confirmedBefore = CountsOf(keptSocket).acknowledged;
    source.keptSocket = keptSocket;
    source.confirmedBefore = confirmedBefore;
    runningUpload = &source;
    struct Forget {
        ~Forget() { runningUpload = nullptr; }
    } forget;
    if (curl_multi_add_handle(multi, curl) != CURLM_OK) return CURLE_FAILED_INIT;
    struct Detach {
        CURLM* multi;
        CURL* curl;
        ~Detach() { curl_multi_remove_handle(multi, curl); }
    } detach{multi, curl};

    auto lastProgress = Clock::now();
    std::optional<Clock::time_point> lastByte;
    std::uint64_t uploaded = 0;
    std::uint64_t seenTraffic = 0;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_FAILED_INIT;
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == curl) return message->data.result;
        }
        const auto now = Clock::now();
        const bool connected = Connected(curl);
        if (CurrentStopRaised()) {
            watch.failure = StoppedError(request, !connected ? HttpError::Kind::Other
                                                  : lastByte ? HttpError::Kind::AnswerMissing
                                                             : HttpError::Kind::SendStalled);
            return CURLE_ABORTED_BY_CALLBACK;
        }
        if (!connected) {
            // The connect has bounds of its own.
            lastProgress = now;
            PollWithStop(multi, kPollStep);
            continue;
        }
        curl_off_t ul = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &ul);
        const auto ulBytes = static_cast<std::uint64_t>(ul > 0 ? ul : 0);
        const SocketCounts counts = CountsOf(socket);
        const std::uint64_t traffic = counts.received + counts.acknowledged;  // either way, progress
        if (keptSocket >= 0 && socket == keptSocket && counts.acknowledged != confirmedBefore) source.mayRewind = false;
        if (ulBytes != uploaded || traffic != seenTraffic) lastProgress = now;
        if (ulBytes != uploaded) {
            // A request sent again on a fresh connection starts its body over.
            lastByte.reset();
            uploaded = ulBytes;
            if (uploaded > watch.sent) {
                watch.sent = uploaded;
                if (request.onSent) request.onSent(watch.sent);
            }
        }
        seenTraffic = traffic;
        // The answer's wait starts once the device has taken the last byte,
        // not when it went into this side's buffers.
        if (uploaded >= watch.total && !counts.unconfirmed && !lastByte) lastByte = now;
        const bool sending = !lastByte;
        if (request.stallTimeout.count() > 0 && now - lastProgress > request.stallTimeout) {
            watch.failure = sending
                ? HttpError("connection to " + HostPort(request) + " lost " + SentText(uploaded) + ": no progress for " +
                                Seconds(request.stallTimeout),
                            HttpError::Kind::SendStalled)
                : HttpError("no reply from " + HostPort(request) + " for " + Seconds(request.stallTimeout) +
                                " waiting for the answer",
                            HttpError::Kind::AnswerMissing);
            return CURLE_ABORTED_BY_CALLBACK;
        }
        if (lastByte && request.answerTimeout.count() > 0 && now - *lastByte > request.answerTimeout) {
            watch.failure = HttpError("no complete reply from " + HostPort(request) + " within " +
                                          Seconds(request.answerTimeout) + " of the last byte (waiting for the answer)",
                                      HttpError::Kind::AnswerTooSlow);
            return CURLE_ABORTED_BY_CALLBACK;
        }
        if (running == 0) continue;  // the message of the finished transfer is read above
        PollWithStop(multi, kPollStep);
    }
}

// The upload's failure as the device caused it, from libcurl's code.
std::optional<HttpError> UploadFailure(CURLcode code, const HttpRequest& request, const UploadWatch& watch) {
    const std::string where = HostPort(request);
    switch (code) {
        case CURLE_SEND_ERROR:
        case CURLE_SEND_FAIL_REWIND:
        case CURLE_RECV_ERROR:
        case CURLE_COULDNT_CONNECT:  // only as the refused second sending of a broken-off request
            if (watch.sent < watch.total) {
                return HttpError("connection to " + where + " lost " + SentText(watch.sent),
                                 HttpError::Kind::SendStalled);
            }
            return HttpError("connection to " + where + " lost after the last byte, waiting for the answer",
                             HttpError::Kind::AnswerMissing);
        case CURLE_GOT_NOTHING:
            return HttpError("connection to " + where + " closed while waiting for the answer",
                             HttpError::Kind::AnswerMissing);
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return HttpError("reading an answer from " + where + " that is not HTTP", HttpError::Kind::NotHttp);
        default: return std::nullopt;
    }
}

}  // namespace

HttpSession::HttpSession(bool keepConnections) : keepConnections_(keepConnections) {
    InitialiseCurlOnce();
    handle_ = curl_easy_init();
    if (handle_ == nullptr) throw HttpError("the HTTP client could not be created");
}

HttpSession::~HttpSession() {
    // The easy handle leaves the multi handle before either goes.
    if (multi_ != nullptr) curl_multi_cleanup(static_cast<CURLM*>(multi_));
    curl_easy_cleanup(static_cast<CURL*>(handle_));
}

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
        if (CurrentStopRaised()) throw StoppedError(request, HttpError::Kind::Other);
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
        if (request.stallTimeout.count() > 0 && request.bodyPieces.empty()) {
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, StallSeconds(request.stallTimeout));
        }
        if (remaining.count() > 0 && request.bodyPieces.empty()) curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(remaining.count()));
        if (request.minAverageRate > 0) {
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &CheckRate);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        }
        if (request.freshConnection) curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        if (!keepConnections_) curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
        const bool upload = !request.bodyPieces.empty();
        PieceSource source{&request.bodyPieces};
        UploadWatch watch;
        for (std::string_view piece : request.bodyPieces) watch.total += piece.size();
        if (upload) {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, &ReadPieces);
            curl_easy_setopt(curl, CURLOPT_READDATA, &source);
            curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, &SeekPieces);
            curl_easy_setopt(curl, CURLOPT_SEEKDATA, &source);
            curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &OpenUploadSocket);
            curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &source);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(watch.total));
        } else if (request.method == "POST") {
            curl_easy_setopt(curl, CURLOPT_POST, 1L);
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        } else {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        }
        curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, &NoteSocket);
        curl_easy_setopt(curl, CURLOPT_SOCKOPTDATA, &socket_);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, &CloseSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &socket_);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

        if (upload && keepConnections_ && !request.freshConnection && socket_ >= 0) {
            // A server that closes after its answer without saying so closes
            // right after it: give that close a moment to arrive, so the kept
            // connection is seen dead and the request goes on a new one
            // instead of into a socket the device is about to reset.
            pollfd kept{socket_, POLLIN | POLLRDHUP, 0};
            (void)::poll(&kept, 1, static_cast<int>(kKeptConnectionGrace.count()));
        }
        const bool underStop = CurrentStopDescriptor() >= 0;
        if ((upload || underStop) && multi_ == nullptr) {
            multi_ = curl_multi_init();
            if (multi_ == nullptr) throw HttpError("the HTTP client could not be created");
        }
        bool stopped = false;
        const CURLcode code = upload      ? PerformUpload(static_cast<CURLM*>(multi_), curl, socket_, source, request, watch)
                              : underStop ? PerformUnderStop(static_cast<CURLM*>(multi_), curl, stopped)
                                          : curl_easy_perform(curl);
        if (stopped) throw StoppedError(request, Connected(curl) ? HttpError::Kind::Stalled : HttpError::Kind::Other);
        if (code == CURLE_OK) {
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
            return response;
        }
        if (watch.failure) throw *watch.failure;
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
        // An upload the device broke off is not a connection that failed.
        const bool brokenOff = upload && !source.mayRewind;
        const bool notConnected =
            !brokenOff && (code == CURLE_COULDNT_CONNECT || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0));
        const bool timeForAnother =
            request.totalTimeout.count() == 0 || elapsed() + request.connectBackoff < request.totalTimeout;
        if (notConnected && !sink.received && attempt < attempts && timeForAnother) {
            CurrentClock().SleepFor(request.connectBackoff);
            continue;
        }
        if (upload && !notConnected) {
            if (auto failure = UploadFailure(code, request, watch)) throw *failure;
        }
        std::string description = curl_easy_strerror(code);
        if (errorText[0] != '\0') {
            description += ": ";
            description += errorText;
        }
        throw HttpError(description, code == CURLE_OPERATION_TIMEDOUT && !notConnected ? HttpError::Kind::Stalled
                                                                                        : HttpError::Kind::Other);
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
