#pragma once
// The list texts attendance terminals exchange: entries joined by a one-byte
// separator ("&" for device numbers, periods and bindings, "," for channel
// values), and the C-library reading of numbers the terminals' texts get.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand {

// Cuts `text` at each `separator`. An empty piece between two separators is an
// empty entry; the empty remainder after a trailing separator is no entry.
std::vector<std::string> SplitFields(std::string_view text, char separator);

// SplitFields at "," with every piece read by AtoiValue.
std::vector<int> SplitIntList(std::string_view text);

// The value of `text` by the atoi rules: leading blanks and one sign accepted,
// conversion stops at the first non-digit, no digits give 0. Values beyond the
// range of int saturate instead of wrapping.
int AtoiValue(std::string_view text);

// The value of the text after the leading blanks by the atof rules, for the
// decimal forms the devices use ("233", "233.1"); no digits give 0.
double AtofValue(std::string_view text);

// Four channel values, channel 1 first, each written "%d," (so the text ends
// with a comma).
std::string FormatChannelList(const std::array<int, 4>& values);

// Entries each followed by `separator` ("a&b&" for {"a", "b"}).
std::string JoinTerminated(const std::vector<std::string>& entries, char separator);

// Entry i of `entries`, or an empty text when the list is shorter.
const std::string& FieldAt(const std::vector<std::string>& entries, std::size_t i);

}  // namespace ostrand
