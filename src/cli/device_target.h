#pragma once
// The devices a subcommand works on: one named by --ip/--port, or many from
// repeated --target IP:PORT options and the JSON array that
// `ostrand-cli scan --json` prints. Every row of a targets file becomes a
// target; a row that cannot be one keeps the reason, so it is reported as a
// failed device of its own instead of disappearing.

#include <string>
#include <vector>

namespace ostrand::cli {

struct FleetTarget {
    std::string ip;
    int port = 0;
    // From a scan row where there is one (UTF-8): the version column chooses
    // the speaker classes or places, the upgrade's legacy path, ...
    std::string version;
    std::string mac;
    std::string number;
    // Not empty: the row cannot be a target, and why.
    std::string problem;
    std::string row;  // "row N" of the targets file, for a row without an address

    // "IP:PORT", or the row's name when it has no usable address.
    std::string Label() const;
    // A device named by its address alone.
    static FleetTarget At(std::string ip, int port);
};

// "IP:PORT" with a dotted IPv4 address and a port 1..65535; `problem` is set
// when the text is not that.
FleetTarget ParseFleetTarget(const std::string& text);
bool IsDottedIpv4(const std::string& text);

// Every row of a scan's JSON array, in order ("IPAddress", "Http Port",
// "Version", "MacAddress", "Device ID"). Throws std::invalid_argument naming
// the fault when the text is not such an array.
std::vector<FleetTarget> TargetsFromScanJson(const std::string& text);

// The whole of a targets file, read once (a pipe or /dev/stdin gives what a
// regular file gives). Throws std::invalid_argument when it cannot be read,
// is larger than 64 MiB, or a pipe gives nothing for `idleSeconds`.
std::string ReadTargetsFile(const std::string& path, int idleSeconds = 10);

// Targets in order with each address once (later copies dropped); rows with
// a problem are all kept. Linear in the number of rows.
std::vector<FleetTarget> WithoutRepeats(std::vector<FleetTarget> targets);

}  // namespace ostrand::cli
