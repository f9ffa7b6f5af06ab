#include "platform/net/http_stream.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <string_view>

#include "platform/net/no_proxy.h"
#include "platform/stop_signal.h"

namespace ostrand::net {

namespace {

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The longest one wait sleeps before the deadline and the stop are looked at
// again (both also end it at once through the poll).
constexpr long kMaxPollMs = 1000;

// A URL part as text; empty when the URL has none.
std::string UrlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return {};
    std::string copy(text);
    curl_free(text);
    return copy;
}

bool IsAddressLiteral(const std::string& host) {
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return true;
    const std::string bare = host.size() > 2 && host.front() == '[' ? host.substr(1, host.size() - 2) : host;
    return inet_pton(AF_INET6, bare.c_str(), &v6) == 1;
}

}  // namespace

// libcurl's handles of one transfer, released in the order libcurl needs.
struct HttpStream::Transfer {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    CURLU* url = nullptr;
    curl_slist* headers = nullptr;
    bool added = false;
    std::string noProxy;

    Transfer() : multi(curl_multi_init()), easy(curl_easy_init()), url(curl_url()) {}
    ~Transfer() {
        if (added) curl_multi_remove_handle(multi, easy);
        if (easy != nullptr) curl_easy_cleanup(easy);
        if (multi != nullptr) curl_multi_cleanup(multi);
        if (url != nullptr) curl_url_cleanup(url);
        curl_slist_free_all(headers);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
};

HttpStream::HttpStream(int stopDescriptor)
    : stop_(stopDescriptor >= 0 ? stopDescriptor : CurrentStopDescriptor()) {
    InitialiseCurlOnce();
}

HttpStreamError HttpStream::Stopped() const {
    if (stop_ >= 0 && stop_ == CurrentStopDescriptor()) NoteStopped();
    return HttpStreamError::Stopped;
}

HttpStream::~HttpStream() = default;

bool HttpStream::StopRaised() const {
    if (stop_ < 0) return false;
    pollfd fd{stop_, POLLIN, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0;
}

std::size_t HttpStream::OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& self = *static_cast<HttpStream*>(user);
    const std::size_t bytes = size * count;
    self.headBytes_ += bytes;
    if (self.headBytes_ > self.maxHeadBytes_) {
        self.headTooLarge_ = true;
        return 0;  // ends the transfer
    }
    const std::string_view line(data, bytes);
    if (line != "\r\n" && line != "\n") return bytes;
    // A head ends. Interim (1xx) heads are skipped; a 401 or 407 is final only
    // once its body comes or the transfer ends, else libcurl answers it with
    // the credentials and another head follows.
    self.headBytes_ = 0;
    long code = 0;
    curl_easy_getinfo(self.transfer_->easy, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200) return bytes;
    self.status_ = code;
    self.contentType_.clear();
    curl_header* header = nullptr;
    if (curl_easy_header(self.transfer_->easy, "Content-Type", 0, CURLH_HEADER, -1, &header) == CURLHE_OK &&
        header != nullptr && header->value != nullptr) {
        self.contentType_ = header->value;
    }
    if (code != 401 && code != 407) self.headDone_ = true;
    return bytes;
}

std::size_t HttpStream::OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& self = *static_cast<HttpStream*>(user);
    const std::size_t bytes = size * count;
    self.bodyStarted_ = true;
    self.headDone_ = true;
    if (self.Buffered() > 0 && self.Buffered() + bytes > self.bufferBytes_) {
        // libcurl keeps these bytes and offers them again once unpaused.
        self.paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (self.bufferAt_ == self.buffer_.size()) {
        self.buffer_.clear();
        self.bufferAt_ = 0;
    } else if (self.bufferAt_ > self.buffer_.size() / 2) {
        self.buffer_.erase(0, self.bufferAt_);
        self.bufferAt_ = 0;
    }
    self.buffer_.append(data, bytes);
    return bytes;
}

void HttpStream::Step() {
    int running = 0;
    curl_multi_perform(transfer_->multi, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(transfer_->multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == transfer_->easy) {
            done_ = true;
            result_ = static_cast<int>(message->data.result);
        }
    }
}

template <class Ready>
HttpStreamError HttpStream::Pump(Clock::time_point deadline, Ready ready) {
    for (;;) {
        Step();
        if (ready()) return HttpStreamError::None;
        if (StopRaised()) return Stopped();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return HttpStreamError::Stalled;
        curl_waitfd stop{stop_, CURL_WAIT_POLLIN, 0};
        const int timeout = static_cast<int>(std::min<std::int64_t>(left + 1, kMaxPollMs));
        curl_multi_poll(transfer_->multi, &stop, stop_ >= 0 ? 1u : 0u, timeout, nullptr);
        if (stop_ >= 0 && (stop.revents & CURL_WAIT_POLLIN) != 0) return Stopped();
    }
}

HttpStreamError HttpStream::TransferFailure() const {
    const auto code = static_cast<CURLcode>(result_);
    if (headTooLarge_) return HttpStreamError::HeadTooLarge;
    switch (code) {
        case CURLE_URL_MALFORMAT: return HttpStreamError::BadAddress;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_WEIRD_SERVER_REPLY: return HttpStreamError::NotHttp;
        case CURLE_COULDNT_RESOLVE_HOST: return HttpStreamError::NotResolved;
        case CURLE_COULDNT_CONNECT: {
            long osError = 0;
            curl_easy_getinfo(transfer_->easy, CURLINFO_OS_ERRNO, &osError);
            return osError == ECONNREFUSED ? HttpStreamError::Refused : HttpStreamError::NoConnection;
        }
        case CURLE_OPERATION_TIMEDOUT: {
            curl_off_t resolved = 0;
            curl_easy_getinfo(transfer_->easy, CURLINFO_NAMELOOKUP_TIME_T, &resolved);
            return hostIsName_ && resolved == 0 ? HttpStreamError::NotResolved : HttpStreamError::NoConnection;
        }
        default: return HttpStreamError::Closed;
    }
}

HttpStreamError HttpStream::Open(const HttpStreamRequest& request, Clock::time_point deadline) {
    if (transfer_) return HttpStreamError::BadAddress;  // opens once
    transfer_ = std::make_unique<Transfer>();
    Transfer& t = *transfer_;
    if (t.multi == nullptr || t.easy == nullptr || t.url == nullptr) return HttpStreamError::NoConnection;
    bufferBytes_ = std::max<std::size_t>(request.bufferBytes, 1);
    maxHeadBytes_ = request.maxHeadBytes;

    if (curl_url_set(t.url, CURLUPART_URL, request.url.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return HttpStreamError::BadAddress;
    }
    std::string scheme = UrlPart(t.url, CURLUPART_SCHEME);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    if (scheme == "https") return HttpStreamError::NotPlainHttp;
    if (scheme != "http") return HttpStreamError::BadAddress;
    const std::string host = UrlPart(t.url, CURLUPART_HOST);
    if (host.empty()) return HttpStreamError::BadAddress;
    if (const std::string port = UrlPart(t.url, CURLUPART_PORT); !port.empty()) {
        unsigned number = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (error != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535) {
            return HttpStreamError::BadAddress;
        }
    }
    hostIsName_ = !IsAddressLiteral(host);
    const bool urlUser = !UrlPart(t.url, CURLUPART_USER).empty();
    hasCredentials_ = urlUser || !request.user.empty();

    for (const std::string& line : request.headers) {
        curl_slist* grown = curl_slist_append(t.headers, line.c_str());
        if (grown == nullptr) return HttpStreamError::NoConnection;
        t.headers = grown;
    }
    t.noProxy = NoProxyList();
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (request.connectWait.count() > 0) wait = std::min(wait, request.connectWait);
    const long connectMs = static_cast<long>(std::max<std::int64_t>(wait.count(), 1));

    CURL* easy = t.easy;
    curl_easy_setopt(easy, CURLOPT_CURLU, t.url);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_NOPROXY, t.noProxy.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.headers);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A stream stopped while its host name is still being looked up leaves the
    // look-up's thread behind rather than waiting for it.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, static_cast<unsigned long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    if (!urlUser && !request.user.empty()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, request.password.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpStream::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpStream::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    if (curl_multi_add_handle(t.multi, easy) != CURLM_OK) return HttpStreamError::NoConnection;
    t.added = true;

    const HttpStreamError waited = Pump(deadline, [this] { return headDone_ || done_; });
    if (waited == HttpStreamError::Stopped) return waited;
    if (headDone_) return HttpStreamError::None;
    if (done_) {
        // A 401 without a body, say, is still the final answer.
        if (static_cast<CURLcode>(result_) == CURLE_OK && status_ >= 200) return HttpStreamError::None;
        return TransferFailure();
    }
    // The deadline: how far did it get?
    curl_off_t connected = 0;
    curl_off_t resolved = 0;
    curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connected);
    curl_easy_getinfo(easy, CURLINFO_NAMELOOKUP_TIME_T, &resolved);
    if (connected > 0) return HttpStreamError::Stalled;
    if (hostIsName_ && resolved == 0) return HttpStreamError::NotResolved;
    return HttpStreamError::NoConnection;
}

std::size_t HttpStream::Read(void* buffer, std::size_t size, Clock::time_point deadline, HttpStreamError& end) {
    end = HttpStreamError::None;
    if (!transfer_ || !transfer_->added || size == 0) {
        end = HttpStreamError::Closed;
        return 0;
    }
    const auto resume = [this] {
        if (paused_ && Buffered() < bufferBytes_) {
            paused_ = false;  // the resumed transfer may pause again at once
            curl_easy_pause(transfer_->easy, CURLPAUSE_CONT);
        }
    };
    resume();
    if (Buffered() == 0) {
        const HttpStreamError waited = Pump(deadline, [this] { return Buffered() > 0 || done_; });
        if (Buffered() == 0) {
            end = waited != HttpStreamError::None ? waited : HttpStreamError::Closed;
            return 0;
        }
    }
    const std::size_t n = std::min(size, Buffered());
    std::memcpy(buffer, buffer_.data() + bufferAt_, n);
    bufferAt_ += n;
    bytesRead_ += n;
    resume();
    return n;
}

}  // namespace ostrand::net
