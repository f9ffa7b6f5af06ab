#include "ops/peripherals/split_fields.h"

namespace ostrand::peripherals {

std::vector<std::string> SplitFields(std::string_view text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(separator, start);
        if (end == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            break;
        }
        pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace ostrand::peripherals
