#pragma once
// The Search sequence without any toolkit: clear the table, run the scan passes
// the "SimpleScan" bits ask for, then the HDS search unless bit 0 is set. The
// main window runs it while its progress window shows, then refills the list;
// the command-line tool runs it and prints the rows.

#include <cstddef>

#include "devices/device_table.h"
#include "discovery/discovery_config.h"
#include "discovery/hds_search.h"
#include "discovery/lan_scan.h"

namespace ostrand {

struct SearchSummary {
    std::size_t scanPasses = 0;
    std::size_t hdsRequests = 0;
    std::size_t datagrams = 0;  // scan and HDS replies received
    std::size_t scanDevices = 0;
    std::size_t hdsDevices = 0;
};

// The sockets and HDS state that live from main-window start-up to its end.
class DiscoverySession {
public:
    explicit DiscoverySession(DiscoveryConfig config);

    // Opens the scan sockets, then the HDS sockets (start-up).
    void Open();

    const DiscoveryConfig& Config() const { return config_; }
    ScanSockets& Scan() { return scan_; }
    HdsSearchState& Hds() { return hds_; }

private:
    DiscoveryConfig config_;
    ScanSockets scan_;
    HdsSearchState hds_;
};

// One whole Search into `table` (cleared first). Reads "SimpleScan" once and
// "ScanTimeOut" at every pass.
SearchSummary RunSearch(DiscoverySession& session, DeviceTable& table);

}  // namespace ostrand
