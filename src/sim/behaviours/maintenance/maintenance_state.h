#pragma once
// What a simulated device remembers of its maintenance commands, and the
// fleet file's "state": {"maintenance": {...}} it starts from:
//   "password": the password as the tool sends it (salted digest or plain);
//               without one, any old password is accepted
//   "refuse":   {"<command name>": "errmsg text", ...} commands the device
//               refuses with result 10001 and that text

#include <map>
#include <optional>
#include <string>

#include "sim/device.h"

namespace ostrand::sim {

struct MaintenanceState {
    bool loaded = false;
    std::optional<std::string> password;         // GBK, as sent
    std::map<std::string, std::string> refusals;  // command -> errmsg (GBK)
    int reboots = 0;
};

// Runs `use` on the device's state, loading the starting state first.
template <class Use>
decltype(auto) WithMaintenanceState(Device& device, Use&& use);

// The starting state of the fleet file (throws std::invalid_argument on a
// malformed "maintenance" object).
MaintenanceState LoadMaintenanceState(const nlohmann::json& starting);

template <class Use>
decltype(auto) WithMaintenanceState(Device& device, Use&& use) {
    const nlohmann::json starting = device.StartingState("maintenance");
    return device.WithState<MaintenanceState>([&](MaintenanceState& state) -> decltype(auto) {
        if (!state.loaded) state = LoadMaintenanceState(starting);
        return use(state);
    });
}

}  // namespace ostrand::sim
