#pragma once
// The flat request/reply message of every device exchange. Keys and values are
// device text (GBK bytes). Every encoder walks the map in ascending unsigned
// byte order of the keys, so the order is fixed here rather than left to the
// signedness of char.

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

namespace ostrand {

struct ByteLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        const std::size_t common = std::min(a.size(), b.size());
        if (common != 0) {
            const int c = std::memcmp(a.data(), b.data(), common);  // memcmp compares unsigned bytes
            if (c != 0) return c < 0;
        }
        return a.size() < b.size();
    }
};

// Reading an absent key with operator[] inserts it with the empty text, which is
// how replies are read: a missing key reads as "".
using ParamMap = std::map<std::string, std::string, ByteLess>;

}  // namespace ostrand
