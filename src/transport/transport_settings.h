#pragma once
// The waits of the device channels. The defaults are the device protocol's own;
// tests shorten them so no suite ever waits for real tens of seconds.

#include <chrono>
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
    ms fileReceiveWait{60'000};  // one ReceiveWithWait
    int exportIdleWaits = 3;     // receive waits within which each export frame must be complete

    // HTTP channels.
    ms httpConnectTimeout{20'000};
    ms httpConnectBackoff{1'000};
    int httpConnectRetries = 1;
    ms httpFormReceiveTimeout{30'000};  // stall limit of a form command's reply
    ms httpUploadConnectTimeout{50'000};
    ms httpImageConnectTimeout{5'000};
    ms httpReceiveTimeout{100'000};  // image upload and log download
};

TransportTimeouts CurrentTransportTimeouts();
void SetTransportTimeouts(const TransportTimeouts& timeouts);

// The connect wait in force: the override, else ConnectTimeoutSeconds().
std::chrono::milliseconds TcpConnectWait();

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
