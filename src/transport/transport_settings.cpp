#include "transport/transport_settings.h"

#include <mutex>

#include "platform/app_state.h"

namespace ostrand {

namespace {

std::mutex& SettingsMutex() {
    static std::mutex mutex;
    return mutex;
}

TransportTimeouts& Settings() {
    static TransportTimeouts settings;
    return settings;
}

}  // namespace

TransportTimeouts CurrentTransportTimeouts() {
    std::lock_guard lock(SettingsMutex());
    return Settings();
}

void SetTransportTimeouts(const TransportTimeouts& timeouts) {
    std::lock_guard lock(SettingsMutex());
    Settings() = timeouts;
}

std::chrono::milliseconds TcpConnectWait() {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    if (timeouts.connectWait) return *timeouts.connectWait;
    const std::int32_t seconds = ConnectTimeoutSeconds();
    return std::chrono::seconds(seconds > 0 ? seconds : 0);
}

ScopedTransportTimeouts::ScopedTransportTimeouts(const TransportTimeouts& timeouts)
    : previous_(CurrentTransportTimeouts()) {
    SetTransportTimeouts(timeouts);
}

ScopedTransportTimeouts::~ScopedTransportTimeouts() { SetTransportTimeouts(previous_); }

}  // namespace ostrand
