#pragma once
// The local folder kept per device (its downloaded data files) is named after
// the device's MAC text. The text comes from the network, so it is taken only
// when it is a MAC as devices report it: exactly twelve hexadecimal digits,
// no separators. Anything else ("../../../tmp", "", "a/b", a MAC with colons)
// is refused, so no device can name a path outside the folder it belongs in.

#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

inline constexpr std::size_t kMacFolderNameLength = 12;

// The folder name for `macText` (the text unchanged), or nullopt when the text
// is not exactly twelve hexadecimal digits.
std::optional<std::string> DeviceFolderName(std::string_view macText);

}  // namespace ostrand
