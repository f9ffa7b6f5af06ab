#pragma once
// Cuts the "&"-joined lists of the speaker and amplifier replies and the
// ","-joined speaker numbers: an empty piece between two separators stays, the
// empty remainder after a trailing separator does not.

#include <string>
#include <string_view>
#include <vector>

namespace ostrand::peripherals {

std::vector<std::string> SplitFields(std::string_view text, char separator);

}  // namespace ostrand::peripherals
