// Feeds arbitrary datagrams to the scan reply checks and the HDS reply parser:
// no crash, no read outside the datagram, the table never passes 5001.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string_view>

#include "discovery/hds_reply.h"
#include "discovery/scan_reply.h"

namespace {

struct State {
    std::unique_ptr<ostrand::DeviceTable> table = std::make_unique<ostrand::DeviceTable>();
    ostrand::ScanDuplicateIndex scanIndex;
    ostrand::HdsMacIndex hdsIndex;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static State state;
    if (state.table->Full() && size > 0 && data[0] == 0xFF) {
        state.table->Clear();
        state.scanIndex.Rebuild(*state.table);
        state.hdsIndex.Rebuild(*state.table);
    }
    const std::span<const std::uint8_t> datagram(data, size);
    ostrand::AddScanReply(*state.table, state.scanIndex, datagram);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto record = ostrand::ParseHdsReply(text);
    (void)ostrand::FieldText(record.ip);
    ostrand::MergeHdsReply(*state.table, state.hdsIndex, text);
    if (state.table->count < 0 || state.table->count > 5001) std::abort();
    return 0;
}
