#pragma once
// One device text as one field of a line of plain output. A device may send
// line feeds, tabs or terminal control sequences in any value; printed raw
// they would start lines of their own ("result=10000") or extra columns.

#include <string>
#include <string_view>

namespace ostrand::cli {

// Backslash, line feed, carriage return and tab become \\, \n, \r, \t; every
// other control character (C0, DEL, and C1 written in UTF-8) becomes \xHH per
// byte, and so does each character of `alsoEscape` (the "=" of a key).
inline std::string PlainField(std::string_view utf8, std::string_view alsoEscape = {}) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    auto hex = [&out](unsigned char byte) {
        out += "\\x";
        out.push_back(kHex[byte >> 4]);
        out.push_back(kHex[byte & 0x0f]);
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        switch (byte) {
            case '\\': out += "\\\\"; continue;
            case '\n': out += "\\n"; continue;
            case '\r': out += "\\r"; continue;
            case '\t': out += "\\t"; continue;
            default: break;
        }
        if (byte < 0x20 || byte == 0x7f || alsoEscape.find(static_cast<char>(byte)) != std::string_view::npos) {
            hex(byte);
        } else if (byte == 0xc2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9f) {
            // U+0080..U+009F: terminals take some of these as control sequences.
            hex(byte);
            hex(static_cast<unsigned char>(utf8[++i]));
        } else {
            out.push_back(static_cast<char>(byte));
        }
    }
    return out;
}

}  // namespace ostrand::cli
