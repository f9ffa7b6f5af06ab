#pragma once
// The JSON fleet file of ostrand-devsim. Texts in the file are UTF-8; settings
// and reply values are converted to GBK, the devices' code page. The format is
// described in docs/devsim.md.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/device.h"

namespace ostrand::sim {

// The device list a fleet document describes, with automatic addresses
// assigned from "base" (default 127.20.0.1). Throws std::invalid_argument with
// a message that names the offending entry.
std::vector<DeviceConfig> ParseFleet(const nlohmann::json& document);
std::vector<DeviceConfig> LoadFleetFile(const std::string& path);

// The "faults" object of a device entry, applied over `base`.
FaultOptions ParseFaults(const nlohmann::json& object, FaultOptions base = {});

}  // namespace ostrand::sim
