#pragma once
// How a camera's image and encoding values travel: every value is text on the
// wire, colour values arrive in 0..255 and are shown as percentages, white
// balance gains arrive in 0..10000 and are shown divided by 100. The selectors'
// codes, the day/night spacing and the ranges of the three edits live here so
// the preview dialog and the command line read and write them the same way.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/app_state.h"

namespace ostrand::video {

// The decimal integer at the start of a text ("12ab" -> 12); no digits give 0.
int LeadingInteger(std::string_view text);

// A colour value 0..255 as a slider percentage 0..100: v*100/255 with the
// first decimal digit rounding (5 or more rounds up). Out-of-range values are
// clamped to the slider's range.
int ColourPercent(std::string_view deviceValue);

// A white balance gain 0..10000 as a slider position 0..100 (integer division).
int GainPosition(std::string_view deviceValue);
// The gain a slider position sends: position * 100, a position of 0 counting as 1.
std::string GainSendValue(int position);

enum class Resolution { Vga = 0, Hd720 = 1 };
inline constexpr std::array<const char*, 2> kResolutionTexts = {"VGA(640*480)", "720P(1280*720)"};
// "4" is VGA, any other non-empty value 720P; empty leaves the selector.
std::optional<Resolution> ResolutionFromVsize(std::string_view vsize);
std::string VsizeFor(Resolution resolution);  // "4" or "12"

// Video mode selector entries; the code sent is the entry position.
inline constexpr int kVideoModeCount = 7;
const char* VideoModeText(int entry, Language language);
// "0" .. "6" select their entries; anything else leaves the selector.
std::optional<int> VideoModeFromReply(std::string_view videoMode);
std::optional<int> VideoModeFromText(std::string_view text);  // entry text or its code

enum class PowerFrequency { Hz50 = 0, Hz60 = 1 };
std::optional<PowerFrequency> PowerFrequencyFromReply(std::string_view value);  // "50", "60"
std::string PowerFrequencyCode(PowerFrequency frequency);

// White balance mode selector: entry i is mode i + 2 on the wire.
inline constexpr int kAwbModeCount = 5;
const char* AwbModeText(int entry, Language language);
std::optional<int> AwbModeFromText(std::string_view text);  // Chinese, English or the code 2..6
struct AwbModeChoice {
    int entry = 0;
    bool resetToAuto = false;  // the camera's mode was unknown: send "AWB" "2"
};
AwbModeChoice AwbModeFromReply(std::string_view mode);
std::string AwbCodeForEntry(int entry);  // "2" .. "6"

// "1" or empty checks a switch, "0" unchecks it, anything else leaves it.
std::optional<bool> SwitchFromReply(std::string_view value);

// The day threshold stays at least 60 above the night threshold (0..500).
inline constexpr int kThresholdMax = 500;
inline constexpr int kThresholdSpacing = 60;
int DayAfterSpacing(int day, int night);
int NightAfterSpacing(int day, int night);

// The three edits that are sent with the Enter key.
enum class EditField { BitRate, FrameRate, KeyFrame };
struct EditRange {
    int low;
    int high;
    const char* chinese;  // message when outside
    const char* english;
};
const EditRange& RangeOf(EditField field);
struct EditCheck {
    bool accepted = false;
    int value = 0;
    std::string message;  // the range message when not accepted (UTF-8)
};
EditCheck CheckEdit(EditField field, std::string_view text, Language language);

// Shown values of the edits when the camera's value is empty.
inline constexpr const char* kBitRateFallback = "300";
inline constexpr const char* kFrameRateFallback = "15";
inline constexpr const char* kSwitchThresholdFallback = "250";
inline constexpr const char* kKeyFrameFallback = "128";

}  // namespace ostrand::video
