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

// Bounds of what a fleet file may ask for. Every number of the file is checked
// against its range and every file it names is read only up to its bound;
// a violation is an error naming the entry and the field.
inline constexpr std::size_t kMaxFleetFileBytes = 64u << 20;
inline constexpr std::size_t kMaxFleetExportBytes = 1u << 30;  // one export, and all of them together
inline constexpr int kMaxFleetCount = 100000;
inline constexpr int kMaxFaultDelayMs = 3600000;  // an hour
inline constexpr int kMaxSplitSegments = 65536;

// The device list a fleet document describes, with automatic addresses
// assigned from "base" (default 127.20.0.1). Throws std::invalid_argument with
// a message that names the offending entry.
std::vector<DeviceConfig> ParseFleet(const nlohmann::json& document);
std::vector<DeviceConfig> LoadFleetFile(const std::string& path);

// The "faults" object of a device entry, applied over `base`; `entry` names
// the entry in error messages ("devices[2]").
FaultOptions ParseFaults(const nlohmann::json& object, FaultOptions base = {}, const std::string& entry = {});

}  // namespace ostrand::sim
