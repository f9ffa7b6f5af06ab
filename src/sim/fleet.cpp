#include "sim/fleet.h"

#include <stdexcept>

namespace ostrand::sim {

Device& Fleet::Add(DeviceConfig config) {
    auto device = std::make_unique<Device>(std::move(config));
    for (const auto& other : devices_) {
        if (other->Address() == device->Address() && other->Port() == device->Port()) {
            throw std::invalid_argument("two devices on " + device->AddressText() + ":" +
                                        std::to_string(device->Port()));
        }
    }
    devices_.push_back(std::move(device));
    return *devices_.back();
}

Device* Fleet::Find(std::string_view address) {
    for (const auto& device : devices_) {
        if (device->AddressText() == address) return device.get();
    }
    return nullptr;
}

bool IsLoopback(const net::ip::address_v4& address) {
    return (address.to_uint() >> 24) == 127;
}

std::optional<net::ip::address_v4> NextLoopbackAddress(const net::ip::address_v4& address) {
    std::uint32_t value = address.to_uint();
    for (;;) {
        ++value;
        if ((value >> 24) != 127) return std::nullopt;
        const std::uint32_t last = value & 0xff;
        if (last != 0 && last != 255) return net::ip::address_v4(value);
    }
}

}  // namespace ostrand::sim
