#pragma once
// A thin synchronous HTTP/1.1 client over libcurl that sends exactly the
// request line, headers and body it is given. Failures of the HTTP layer
// (unreachable, refused after the retries, time-outs, aborted transfers) are
// thrown as HttpError carrying libcurl's description; HTTP statuses are not
// errors.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand::net {

class HttpError : public std::runtime_error {
public:
    enum class Kind : std::uint8_t {
        Other,      // the layer's own failure (unreachable, refused, stalled, aborted)
        Deadline,   // the whole exchange took longer than totalTimeout
        TooSlow,    // the body arrived slower than minAverageRate
        TooLarge,   // a collected body passed maxCollectedBody
        Stalled,    // connected, then nothing moved for stallTimeout
        // Uploads (a request with bodyPieces):
        SendStalled,    // the body stopped leaving for stallTimeout, or the connection broke while it left
        AnswerMissing,  // the body left, then no answer came: silence for stallTimeout, or a close
        AnswerTooSlow,  // the answer was not complete within answerTimeout after the last byte
        NotHttp,        // what came back is not an HTTP answer
    };
    explicit HttpError(const std::string& what, Kind kind = Kind::Other)
        : std::runtime_error(what), kind_(kind) {}
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

struct HttpRequest {
    std::string host;  // IP text
    std::int32_t port = 80;
    std::string method = "GET";  // "GET" or "POST"
    std::string target;          // request target as sent, e.g. "/goform/getnetparam"
    std::vector<std::string> headers;  // extra header lines without CRLF
    std::string_view body;             // POST body (may be empty: Content-Length 0)
    // An upload's body: these pieces one after another, read from where they
    // lie (no copy), instead of `body`. With pieces, stallTimeout bounds the
    // time the body makes no progress while it leaves and the silence before
    // the answer, answerTimeout the time from the last byte to the end of the
    // answer, and totalTimeout is not used.
    std::vector<std::string_view> bodyPieces;
    std::chrono::milliseconds answerTimeout{0};
    // Called as the pieces leave, with the bytes of them sent so far.
    std::function<void(std::uint64_t sent)> onSent;
    std::string userAgent = "ostrand";  // nothing is cached: every request reaches the device

    std::chrono::milliseconds connectTimeout{20'000};
    std::chrono::milliseconds connectBackoff{1'000};
    int connectRetries = 1;
    // The longest the transfer may make no progress; 0 for no limit.
    std::chrono::milliseconds stallTimeout{0};
    // The longest the whole exchange may take, connection attempts included;
    // 0 for no limit.
    std::chrono::milliseconds totalTimeout{0};
    // A floor on the average rate of the body: after `rateGrace`, the body
    // must have arrived at `minAverageRate` bytes per second or more on
    // average, else the transfer ends (HttpError::Kind::TooSlow). 0: no floor.
    std::uint64_t minAverageRate = 0;
    std::chrono::milliseconds rateGrace{0};
    bool freshConnection = false;

    // A collected body longer than this ends the request with an HttpError,
    // so a faulty device cannot fill the tool's memory.
    std::size_t maxCollectedBody = 16u << 20;

    // Receives the body as it arrives, with the response status; returning
    // false aborts the transfer. When unset, the body is collected into
    // HttpResponse::body (up to maxCollectedBody).
    std::function<bool(long status, std::string_view data)> onBody;
};

struct HttpResponse {
    long status = 0;
    std::string body;
};

// One request. Connection failures are retried `connectRetries` times after
// `connectBackoff`. Throws HttpError.
HttpResponse PerformHttp(const HttpRequest& request);

// Several requests, one after another, on one reused connection where the
// server allows it. Throws HttpError at the first failure.
class HttpSession {
public:
    // With `keepConnections` false every request's connection is closed when
    // the request ends, as if each had a client of its own.
    explicit HttpSession(bool keepConnections = true);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;
    HttpResponse Perform(const HttpRequest& request);

private:
    void* handle_;
    void* multi_ = nullptr;  // uploads run on it, so their bounds are checked between short polls
    int socket_ = -1;        // the descriptor of the connection last opened, while it is open
    bool keepConnections_;
};

// Writes the request head and a declared empty body, then closes without
// reading a response. Throws HttpError when the connection cannot be made.
void SendRequestWithoutReply(const HttpRequest& request);

}  // namespace ostrand::net
