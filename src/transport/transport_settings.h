#pragma once
// The waits of the device channels. The defaults are the device protocol's own;
// tests shorten them so no suite ever waits for real tens of seconds.

#include <chrono>
#include <cstdint>
#include <optional>

namespace ostrand {

struct TransportTimeouts {
    using ms = std::chrono::milliseconds;

    // TCP command channel.
    ms replyWait{10'000};      // per send, before the request is sent again
    ms replyRestWait{10'000};  // for the rest of a reply that arrived in part
    int maxSends = 3;          // sends of one request before "no reply"
    std::optional<ms> connectWait;  // when unset: ConnectTimeoutSeconds()
    int lingerSeconds = 5;

    // TCP file channels.
    // Per connection attempt of ConnectWithRetry; when unset, the longer of the
    // HTTP connect time-out and the TCP connect wait, so a busy device that
    // accepts late is still reached.
    std::optional<ms> fileConnectWait;
    ms fileReceiveWait{60'000};  // one ReceiveWithWait
    int exportIdleWaits = 3;     // receive waits within which each export frame must be complete

    // HTTP channels.
    ms httpConnectTimeout{20'000};
    ms httpConnectBackoff{1'000};
    int httpConnectRetries = 1;
    ms httpFormReceiveTimeout{30'000};  // stall limit of a form command's reply
    ms httpFormDeadline{60'000};        // whole form exchange, connection included
    ms httpUploadConnectTimeout{50'000};
    ms httpImageConnectTimeout{5'000};
    ms httpReceiveTimeout{100'000};  // image upload and log download
    // The answer to one upload request (each chunk of an image is one), from
    // the moment the device has taken the request's last byte: a device that
    // answers a byte at a time cannot hold an upload for longer. The body
    // itself is bounded by httpReceiveTimeout without progress.
    ms httpUploadDeadline{600'000};
    // Log download: the largest body kept.
    std::uint64_t httpDownloadMaxBytes = std::uint64_t{256} << 20;
    // Files coming from a device (the HTTP log download, the TCP export): the
    // average rate they must keep up once the first receive wait
    // (httpReceiveTimeout, fileReceiveWait) has passed; 0 for no floor.
    std::uint64_t downloadMinRate = 16 * 1024;  // bytes per second
};

// Settings keys (section "common") that override the defaults above. They are
// read without writing a default back, so a settings file without them stays
// as it is.
inline constexpr const char* kDownloadMaxMbKey = "DownloadMaxMB";    // httpDownloadMaxBytes in MiB
inline constexpr const char* kFormTimeoutKey = "FormTimeout";        // httpFormDeadline in seconds
inline constexpr const char* kUploadTimeoutKey = "UploadTimeout";    // httpUploadDeadline in seconds
inline constexpr const char* kDownloadMinRateKey = "DownloadMinRate";  // downloadMinRate in bytes per second
// Reads the keys above from the settings file into the timeouts in force;
// values that are missing, not a number or not above 0 keep the defaults.
void LoadTransportSettings();

TransportTimeouts CurrentTransportTimeouts();
void SetTransportTimeouts(const TransportTimeouts& timeouts);

// The connect wait in force: the override, else ConnectTimeoutSeconds().
std::chrono::milliseconds TcpConnectWait();
// The per-attempt connect wait of the file channels (see fileConnectWait).
std::chrono::milliseconds FileConnectWait();

// Installs timeouts for the lifetime of the guard (tests).
class ScopedTransportTimeouts {
public:
    explicit ScopedTransportTimeouts(const TransportTimeouts& timeouts);
    ~ScopedTransportTimeouts();
    ScopedTransportTimeouts(const ScopedTransportTimeouts&) = delete;
    ScopedTransportTimeouts& operator=(const ScopedTransportTimeouts&) = delete;

private:
    TransportTimeouts previous_;
};

}  // namespace ostrand
