#include "platform/device_folder.h"

#include <algorithm>

namespace ostrand {

std::optional<std::string> DeviceFolderName(std::string_view macText) {
    const auto isHexDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    if (macText.size() != kMacFolderNameLength || !std::all_of(macText.begin(), macText.end(), isHexDigit)) {
        return std::nullopt;
    }
    return std::string(macText);
}

}  // namespace ostrand
