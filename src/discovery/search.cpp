#include "discovery/search.h"

#include <chrono>
#include <utility>

namespace ostrand {

DiscoverySession::DiscoverySession(DiscoveryConfig config)
    : config_(std::move(config)), hds_(HdsSearchState::Create()) {}

void DiscoverySession::Open() {
    scan_ = OpenScanSockets(config_);
    OpenHdsSockets(hds_, config_);
}

SearchSummary RunSearch(DiscoverySession& session, DeviceTable& table) {
    const auto& config = session.Config();
    table.Clear();
    const std::int32_t flags = config.settings.scanFlags ? config.settings.scanFlags() : 0;
    const int passes = (flags & kScanFlagSinglePass) != 0 ? 1 : 2;
    auto& sockets = session.Scan().sockets;
    const std::size_t socketCount = (flags & kScanFlagFirstSocketOnly) != 0 ? std::min<std::size_t>(1, sockets.size())
                                                                             : sockets.size();
    // One bound for the whole Search: a device that never stops answering
    // holds the progress window this long at most, however many sockets and
    // passes there are.
    const SearchDeadline deadline = SearchDeadlineFrom(config);
    SearchSummary summary;
    for (std::size_t s = 0; s < socketCount; ++s) {
        for (int pass = 0; pass < passes; ++pass) {
            if (std::chrono::steady_clock::now() >= deadline) break;
            const auto stats = ScanPass(sockets[s], table, config, deadline);
            ++summary.scanPasses;
            summary.datagrams += stats.received;
            summary.scanDevices += stats.appended;
        }
    }
    if ((flags & kScanFlagSkipHds) == 0) {
        const auto stats = RunHdsSearch(session.Hds(), table, config, deadline);
        summary.hdsRequests = stats.requests;
        summary.datagrams += stats.received;
        summary.hdsDevices = stats.appended;
    }
    return summary;
}

}  // namespace ostrand
