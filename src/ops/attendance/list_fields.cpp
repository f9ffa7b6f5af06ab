#include "ops/attendance/list_fields.h"

#include <climits>
#include <charconv>

namespace ostrand {

std::vector<std::string> SplitFields(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            break;
        }
        pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

std::vector<int> SplitIntList(std::string_view text) {
    std::vector<int> values;
    for (const std::string& piece : SplitFields(text, ',')) values.push_back(AtoiValue(piece));
    return values;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int AtoiValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;  // saturates below
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double AtofValue(std::string_view text) {
    // from_chars, unlike strtod, does not follow the process locale's decimal point.
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    const std::from_chars_result parsed =
        std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::fixed);
    if (parsed.ec != std::errc()) return 0;
    return negative ? -value : value;
}

std::string FormatChannelList(const std::array<int, 4>& values) {
    std::string text;
    for (int value : values) text += std::to_string(value) + ",";
    return text;
}

std::string JoinTerminated(const std::vector<std::string>& entries, char separator) {
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += separator;
    }
    return text;
}

const std::string& FieldAt(const std::vector<std::string>& entries, std::size_t i) {
    static const std::string kEmpty;
    return i < entries.size() ? entries[i] : kEmpty;
}

}  // namespace ostrand
