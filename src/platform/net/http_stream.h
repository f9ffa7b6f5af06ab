#pragma once
// One HTTP GET whose body is read as a stream, for a camera's live video:
// Open waits for the final answer's head, Read hands out body bytes as they
// come (chunked bodies decoded, 1xx answers skipped, a 401 answered with the
// credentials once, by Basic or Digest as the server asks).
//
// Every wait ends at the deadline the caller gives, or at once when the stop
// descriptor (an eventfd or a pipe's read end, never drained here) becomes
// readable. Memory stays bounded: when `bufferBytes` of the body wait unread,
// the transfer is paused until Read takes them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostrand::net {

enum class HttpStreamError : std::uint8_t {
    None,
    BadAddress,     // the URL cannot be used (no host, bad port, not a URL)
    NotPlainHttp,   // https or another scheme: the devices speak plain HTTP, no TLS
    NotResolved,    // the host name was not resolved within the bound
    Refused,        // the server refused the connection
    NoConnection,   // no connection within the bound
    NotHttp,        // the peer answered, but not with HTTP
    HeadTooLarge,   // the answer's head passed `maxHeadBytes`
    Stalled,        // connected, but nothing (more) came before the deadline
    Closed,         // the server ended the answer or the connection broke
    Stopped,        // the stop descriptor became readable
};

struct HttpStreamRequest {
    std::string url;  // "http://[user[:password]@]host[:port]/path"
    // Used when the URL carries no user of its own.
    std::string user;
    std::string password;
    // Extra header lines; "Name:" with nothing after it drops a header libcurl
    // would add by itself.
    std::vector<std::string> headers;
    std::string userAgent = "ostrand";
    // The longest the connection (name look-up included) may take; 0: up to
    // Open's deadline, which bounds it in any case.
    std::chrono::milliseconds connectWait{0};
    std::size_t maxHeadBytes = 16 * 1024;   // every head, 1xx and 401 included
    std::size_t bufferBytes = 256 * 1024;   // body bytes held for Read before the transfer pauses
};

class HttpStream {
public:
    using Clock = std::chrono::steady_clock;

    // `stopDescriptor` must outlive the stream; -1 for the stop installed on
    // the constructing thread (platform/stop_signal.h), if any.
    explicit HttpStream(int stopDescriptor);
    ~HttpStream();
    HttpStream(const HttpStream&) = delete;
    HttpStream& operator=(const HttpStream&) = delete;

    // Sends the GET and waits for the final answer's head, all before
    // `deadline`. None whatever the status: Status() and ContentType() say
    // what came. Opens once.
    HttpStreamError Open(const HttpStreamRequest& request, Clock::time_point deadline);

    long Status() const { return status_; }
    const std::string& ContentType() const { return contentType_; }
    // Whether credentials were given (in the URL or the request).
    bool HasCredentials() const { return hasCredentials_; }

    // Up to `size` body bytes, waiting until `deadline`: > 0, or 0 with `end`
    // set (Closed at the body's end or a broken connection, Stalled, Stopped).
    std::size_t Read(void* buffer, std::size_t size, Clock::time_point deadline, HttpStreamError& end);

    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    struct Transfer;
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
    // Lets libcurl run the transfer as far as it can without waiting.
    void Step();
    // Steps and waits until `ready()`, the deadline (Stalled) or the stop.
    template <class Ready>
    HttpStreamError Pump(Clock::time_point deadline, Ready ready);
    HttpStreamError TransferFailure() const;
    bool StopRaised() const;
    // Stopped, noted as a cancel when the stop is the thread's own.
    HttpStreamError Stopped() const;
    std::size_t Buffered() const { return buffer_.size() - bufferAt_; }

    int stop_;
    std::unique_ptr<Transfer> transfer_;
    std::size_t bufferBytes_ = 0;
    std::size_t maxHeadBytes_ = 0;
    std::size_t headBytes_ = 0;
    bool headTooLarge_ = false;
    bool headDone_ = false;
    bool bodyStarted_ = false;
    bool paused_ = false;
    bool done_ = false;
    int result_ = 0;  // libcurl's code once done
    long status_ = 0;
    std::string contentType_;
    bool hasCredentials_ = false;
    bool hostIsName_ = false;
    std::string buffer_;
    std::size_t bufferAt_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace ostrand::net
