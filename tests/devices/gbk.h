#pragma once
// GBK spelling of a UTF-8 literal, for comparing with list cells.

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace ostrand::test {

inline std::string G(std::string_view utf8) { return Utf8ToGbk(utf8).value(); }

}  // namespace ostrand::test
