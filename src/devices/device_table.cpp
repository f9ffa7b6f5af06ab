#include "devices/device_table.h"

#include <algorithm>

namespace ostrand {

void DeviceTable::Clear() {
    records.fill(DeviceRecord{});
    count = 0;
}

bool DeviceTable::Append(const DeviceRecord& record) {
    if (count < 0) count = 0;
    if (Full()) return false;
    records[static_cast<std::size_t>(count)] = record;
    ++count;
    return true;
}

std::span<const DeviceRecord> DeviceTable::Valid() const {
    const auto n = static_cast<std::size_t>(std::clamp<std::int32_t>(count, 0, kCapacity));
    return std::span<const DeviceRecord>(records.data(), n);
}

}  // namespace ostrand
