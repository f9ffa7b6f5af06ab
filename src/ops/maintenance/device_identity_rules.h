#pragma once
// The checks of a new device number and product model (GBK bytes).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

inline constexpr std::size_t kMaxProductModelBytes = 30;

// Removes tabs and line feeds (not spaces) at both ends, as the number edit's
// text is read.
std::string TrimTabsAndLineFeeds(std::string_view text);

// The number as typed is trimmed first (see TrimTabsAndLineFeeds); it must be
// 6, 8 or 11 bytes without a forbidden character.
std::optional<std::string> DeviceNumberProblem(std::string_view trimmedGbk);
// The model is taken as typed: 1..30 bytes, no forbidden character.
std::optional<std::string> ProductModelProblem(std::string_view gbk);

}  // namespace ostrand
