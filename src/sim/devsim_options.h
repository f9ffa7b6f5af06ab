#pragma once
// Command line of ostrand-devsim.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/device.h"

namespace ostrand::sim {

// --duration is at most a year, so its milliseconds always fit the timer.
inline constexpr double kMaxDurationSeconds = 365.0 * 24 * 3600;

struct DevsimOptions {
    std::vector<DeviceConfig> devices;  // from the fleet file and the counts
    std::string journalPath;
    std::size_t journalLimit = 1u << 20;
    std::string readyPath;
    double durationSeconds = 0;  // 0: until interrupted
    bool listOnly = false;
};

// Parses the arguments. Returns the options, or nullopt after printing help or
// an error (then `exitCode` says what to exit with).
std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const* argv, int& exitCode);

// One line per device: "address port kind number name" (name in UTF-8).
std::string DescribeDevice(const DeviceConfig& config);

}  // namespace ostrand::sim
