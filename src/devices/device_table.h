#pragma once
// The records of the last search: up to 5001 devices in arrival order. The
// table is about 2 MB, so owners keep it on the heap.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "devices/device_record.h"

namespace ostrand {

struct DeviceTable {
    static constexpr std::size_t kCapacity = 5001;

    std::array<DeviceRecord, kCapacity> records{};
    std::int32_t count = 0;  // records 0 .. count-1 are valid

    // Zeroes every record and sets the count to 0.
    void Clear();
    // Appends a copy; false (and the record is dropped) when the table is full.
    bool Append(const DeviceRecord& record);
    bool Full() const { return count >= static_cast<std::int32_t>(kCapacity); }
    // The valid records; a count outside 0..kCapacity is clamped.
    std::span<const DeviceRecord> Valid() const;
};

}  // namespace ostrand
