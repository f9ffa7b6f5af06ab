#include "transport/transport_settings.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/app_state.h"
#include "platform/profile.h"

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

std::chrono::milliseconds FileConnectWait() {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    if (timeouts.fileConnectWait) return *timeouts.fileConnectWait;
    const auto tcp = TcpConnectWait();
    return tcp > timeouts.httpConnectTimeout ? tcp : timeouts.httpConnectTimeout;
}

namespace {

// A positive decimal setting, or nullopt when it is missing or unusable.
std::optional<std::uint64_t> PositiveSetting(const char* key) {
    const std::string text = ReadIniString(key, std::nullopt);
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str() || text[0] == '-' || value == 0) return std::nullopt;
    return value;
}

}  // namespace

void LoadTransportSettings() {
    TransportTimeouts timeouts = CurrentTransportTimeouts();
    // Bounded so the byte count and the milliseconds cannot overflow.
    if (auto mib = PositiveSetting(kDownloadMaxMbKey); mib && *mib <= (std::uint64_t{1} << 20)) {
        timeouts.httpDownloadMaxBytes = *mib << 20;
    }
    if (auto seconds = PositiveSetting(kFormTimeoutKey); seconds && *seconds <= 24u * 3600u) {
        timeouts.httpFormDeadline = std::chrono::seconds(*seconds);
    }
    if (auto seconds = PositiveSetting(kUploadTimeoutKey); seconds && *seconds <= 24u * 3600u) {
        timeouts.httpUploadDeadline = std::chrono::seconds(*seconds);
    }
    // Up to a gigabyte per second, so the earned time cannot overflow.
    if (auto rate = PositiveSetting(kDownloadMinRateKey); rate && *rate <= (std::uint64_t{1} << 30)) {
        timeouts.downloadMinRate = *rate;
    }
    SetTransportTimeouts(timeouts);
}

ScopedTransportTimeouts::ScopedTransportTimeouts(const TransportTimeouts& timeouts)
    : previous_(CurrentTransportTimeouts()) {
    SetTransportTimeouts(timeouts);
}

ScopedTransportTimeouts::~ScopedTransportTimeouts() { SetTransportTimeouts(previous_); }

}  // namespace ostrand
