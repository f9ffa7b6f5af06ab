#pragma once
// The devices of one simulator run. Devices are added before the simulator
// starts (or through Simulator::AddDevice afterwards) and live as long as the
// fleet; references to them stay valid.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "sim/device.h"

namespace ostrand::sim {

class Fleet {
public:
    Device& Add(DeviceConfig config);
    std::size_t Size() const { return devices_.size(); }
    Device& At(std::size_t index) { return *devices_.at(index); }
    const Device& At(std::size_t index) const { return *devices_.at(index); }
    // The device at that address (any port), or nullptr.
    Device* Find(std::string_view address);
    const std::vector<std::unique_ptr<Device>>& Devices() const { return devices_; }

private:
    std::vector<std::unique_ptr<Device>> devices_;
};

// Address generation for fleets given by count: the next host address after
// `address` that stays inside 127/8 and does not end in .0 or .255; nullopt
// when 127/8 is exhausted.
std::optional<net::ip::address_v4> NextLoopbackAddress(const net::ip::address_v4& address);
bool IsLoopback(const net::ip::address_v4& address);

}  // namespace ostrand::sim
