#pragma once
// What the name of an upgrade image says: the hardware, kernel and application
// versions it carries and the kind of package. Also the two per-device facts
// the upgrade derives from the device list: the legacy-firmware flag and the
// flag text a kernel announcement carries.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

enum class UpgradeKind : std::uint8_t { Application, Kernel };

// Pieces 1-3 of an accepted name (device text, GBK).
struct UpgradeVersions {
    std::string hardware;
    std::string kernel;
    std::string application;
    friend bool operator==(const UpgradeVersions&, const UpgradeVersions&) = default;
};

// "<hardware>_<kernel>_<d.d.dddd>_<letter>": the letter is "A" or "S" for an
// application package and "F" for a kernel image, and nothing may follow it.
// `name` is the file name without its folder, extension included.
std::optional<UpgradeVersions> ParseUpgradeFileName(std::string_view name, UpgradeKind kind);

// The message shown when a chosen file's name is refused (UTF-8, current language).
const char* UpgradeNameRefusalText(UpgradeKind kind);

// Devices on port 80 whose version text ends below "5.1.0373" predate the
// version check and want the kernel version in the kernel announcement.
bool IsLegacyFirmware(std::int32_t commandPort, std::string_view versionText);
// The first version text that is not legacy.
inline constexpr std::string_view kFirstCurrentVersion = "5.1.0373";

// The announcement's "kernelFlag": a fixed token, "-", the application version.
std::string KernelFlagText(std::string_view applicationVersion);
inline constexpr std::string_view kKernelFlagToken = "C7E21B94-F05D-4a3c-9E61";

}  // namespace ostrand
