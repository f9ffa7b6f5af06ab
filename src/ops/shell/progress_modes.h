#pragma once
// The "please wait" window's modes: titles, texts and how the bar moves.

#include <cstdint>

namespace ostrand {

enum class ProgressMode { Search, RestoreDefaults, Import };

inline constexpr std::int32_t kProgressRange = 30;
inline constexpr int kProgressTickMs = 100;
inline constexpr int kProgressBackgroundRed = 157;
inline constexpr int kProgressBackgroundGreen = 185;
inline constexpr int kProgressBackgroundBlue = 200;

struct ProgressTexts {
    const char* title;
    const char* text;
};

// Title and text for the mode in the current interface language (UTF-8).
ProgressTexts ProgressTextsFor(ProgressMode mode);

// Position after one 100 ms tick: one step for a search, two for the others,
// each step (position + 1) mod range.
std::int32_t NextProgressPosition(ProgressMode mode, std::int32_t position, std::int32_t range = kProgressRange);

}  // namespace ostrand
