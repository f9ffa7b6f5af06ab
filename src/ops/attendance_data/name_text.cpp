#include "ops/attendance_data/name_text.h"

#include "platform/code_page.h"

namespace ostrand {

bool IsNonAsciiUtf8(const char* bytes, std::size_t n) {
    if (n == 0) return false;
    int pending = 0;
    bool allAscii = true;
    for (std::size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80) allAscii = false;
        if (pending > 0) {
            if ((b & 0xC0) != 0x80) return false;
            --pending;
            continue;
        }
        if (b < 0x80) continue;
        if (b >= 0xFC && b <= 0xFD) pending = 5;
        else if (b >= 0xF8) pending = 4;
        else if (b >= 0xF0) pending = 3;
        else if (b >= 0xE0) pending = 2;
        else if (b >= 0xC0) pending = 1;
        else return false;
    }
    return pending == 0 && !allAscii;
}

std::string Utf8NameToAnsi(std::string_view field, std::size_t n) {
    const auto at = [&](std::size_t i) -> unsigned {
        return i < field.size() ? static_cast<unsigned char>(field[i]) : 0u;
    };
    std::string out;
    out.reserve(n + n / 4 + 2);
    std::size_t i = 0;
    while (i < n && i < field.size()) {
        const unsigned b0 = at(i);
        if (b0 < 0x80) {
            if (b0 == 0) break;  // the text ends at its first NUL
            out.push_back(static_cast<char>(b0));
            ++i;
            continue;
        }
        if (i + 2 >= field.size()) {  // the sequence is cut by the field's end
            out.push_back('?');
            break;
        }
        const unsigned codePoint = ((b0 & 0x0F) << 12) | ((at(i + 1) & 0x3F) << 6) | (at(i + 2) & 0x3F);
        i += 3;
        if (codePoint == 0) break;
        const std::u16string wide(1, static_cast<char16_t>(codePoint));
        const auto gbk = Utf16ToGbk(wide);
        out += gbk && !gbk->empty() ? *gbk : std::string("?");
    }
    return out;
}

}  // namespace ostrand
