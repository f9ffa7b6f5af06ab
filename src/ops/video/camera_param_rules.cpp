#include "ops/video/camera_param_rules.h"

#include <algorithm>
#include <cstdint>

namespace ostrand::video {

namespace {

struct Caption {
    const char* chinese;
    const char* english;
};

constexpr std::array<Caption, kVideoModeCount> kVideoModes = {{
    {"流畅优先", "Smooth First"},
    {"质量优先", "Quality First"},
    {"CBR", "CBR"},
    {"VBR", "VBR"},
    {"ECBR", "ECBR"},
    {"EVBR", "EVBR"},
    {"NOTCARE", "NOTCARE"},
}};

constexpr std::array<Caption, kAwbModeCount> kAwbModes = {{
    {"自动模式", "Auto Model"},
    {"冷光模式", "Code Model"},
    {"阳光模式", "Sun Model"},
    {"多云模式", "Cloudy Model"},
    {"晴天模式", "Sunny Model"},
}};

constexpr int kFirstAwbCode = 2;

const char* Pick(const Caption& caption, Language language) {
    return language == Language::English ? caption.english : caption.chinese;
}

// Entry position of a selector text in either language, or of its bare number.
template <std::size_t N>
std::optional<int> EntryOf(const std::array<Caption, N>& entries, std::string_view text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == entries[i].chinese || text == entries[i].english) return static_cast<int>(i);
    }
    return std::nullopt;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

int LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Saturate rather than overflow: a long digit run is simply out of every range.
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

int ColourPercent(std::string_view deviceValue) {
    const int v = std::clamp(LeadingInteger(deviceValue), 0, 255);
    // Tenths of a percent, truncated; the tenths digit decides the rounding.
    const int tenths = v * 1000 / 255;
    return (tenths + 5) / 10;
}

int GainPosition(std::string_view deviceValue) {
    return std::clamp(LeadingInteger(deviceValue) / 100, 0, 100);
}

std::string GainSendValue(int position) {
    const int counted = position == 0 ? 1 : std::clamp(position, 1, 100);
    return std::to_string(counted * 100);
}

std::optional<Resolution> ResolutionFromVsize(std::string_view vsize) {
    if (vsize.empty()) return std::nullopt;
    return vsize == "4" ? Resolution::Vga : Resolution::Hd720;
}

std::string VsizeFor(Resolution resolution) { return resolution == Resolution::Vga ? "4" : "12"; }

const char* VideoModeText(int entry, Language language) {
    if (entry < 0 || entry >= kVideoModeCount) return "";
    return Pick(kVideoModes[static_cast<std::size_t>(entry)], language);
}

std::optional<int> VideoModeFromReply(std::string_view videoMode) {
    // Every code the selector has an entry for, so a camera set to CBR .. NOTCARE
    // is shown in that mode rather than in whatever the selector held before.
    if (videoMode.size() == 1 && videoMode[0] >= '0' && videoMode[0] - '0' < kVideoModeCount) {
        return videoMode[0] - '0';
    }
    return std::nullopt;
}

std::optional<int> VideoModeFromText(std::string_view text) {
    if (auto entry = EntryOf(kVideoModes, text)) return entry;
    if (AllDigits(text) && text.size() == 1 && text[0] - '0' < kVideoModeCount) return text[0] - '0';
    return std::nullopt;
}

std::optional<PowerFrequency> PowerFrequencyFromReply(std::string_view value) {
    if (value == "50") return PowerFrequency::Hz50;
    if (value == "60") return PowerFrequency::Hz60;
    return std::nullopt;
}

std::string PowerFrequencyCode(PowerFrequency frequency) {
    return frequency == PowerFrequency::Hz50 ? "50" : "60";
}

const char* AwbModeText(int entry, Language language) {
    if (entry < 0 || entry >= kAwbModeCount) return "";
    return Pick(kAwbModes[static_cast<std::size_t>(entry)], language);
}

std::optional<int> AwbModeFromText(std::string_view text) {
    if (auto entry = EntryOf(kAwbModes, text)) return entry;
    if (AllDigits(text) && text.size() == 1) {
        const int code = text[0] - '0';
        if (code >= kFirstAwbCode && code < kFirstAwbCode + kAwbModeCount) return code - kFirstAwbCode;
    }
    return std::nullopt;
}

AwbModeChoice AwbModeFromReply(std::string_view mode) {
    const int code = LeadingInteger(mode);
    if (code >= kFirstAwbCode && code < kFirstAwbCode + kAwbModeCount) return {code - kFirstAwbCode, false};
    return {0, true};
}

std::string AwbCodeForEntry(int entry) {
    return std::to_string(std::clamp(entry, 0, kAwbModeCount - 1) + kFirstAwbCode);
}

std::optional<bool> SwitchFromReply(std::string_view value) {
    if (value.empty() || value == "1") return true;
    if (value == "0") return false;
    return std::nullopt;
}

int DayAfterSpacing(int day, int night) {
    if (day - night >= kThresholdSpacing) return day;
    return std::min(night + kThresholdSpacing, kThresholdMax);
}

int NightAfterSpacing(int day, int night) {
    if (day - night >= kThresholdSpacing) return night;
    return std::max(day - kThresholdSpacing, 0);
}

const EditRange& RangeOf(EditField field) {
    static constexpr EditRange kBitRate{1, 2000, "输入的值小于1， 或大于2000， 请重新输入",
                                        "Value < 1 or Value > 2000,input again"};
    static constexpr EditRange kFrameRate{1, 30, "输入的值小于1， 或大于30， 请重新输入",
                                          "Value < 1 or Value > 30,input again"};
    static constexpr EditRange kKeyFrame{30, 128, "输入的值小于30， 或大于128， 请重新输入",
                                         "Value < 30 or Value > 128,input again"};
    switch (field) {
        case EditField::BitRate: return kBitRate;
        case EditField::FrameRate: return kFrameRate;
        case EditField::KeyFrame: break;
    }
    return kKeyFrame;
}

EditCheck CheckEdit(EditField field, std::string_view text, Language language) {
    const EditRange& range = RangeOf(field);
    EditCheck check;
    check.value = LeadingInteger(text);
    check.accepted = check.value >= range.low && check.value <= range.high;
    if (!check.accepted) check.message = language == Language::English ? range.english : range.chinese;
    return check;
}

}  // namespace ostrand::video
