#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace ostrand {
namespace {

constexpr const char* kGbk = "CP936";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16 = "UTF-16LE";

// One converter per direction and thread: opening a converter costs far more
// than converting a short device text.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (Valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of input. On a sequence that cannot be converted: strict
    // mode fails, lossy mode writes "?" and skips the offending input.
    std::optional<std::string> Run(std::string_view input, bool lossy, std::size_t (*skip)(std::string_view)) {
        if (!Valid()) return std::nullopt;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        std::string output;
        output.reserve(input.size() * 2 + 8);
        char buffer[1024];
        auto* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t rc = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output.append(buffer, static_cast<std::size_t>(out - buffer));
            if (rc != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            if (!lossy) return std::nullopt;
            // EINVAL: a sequence cut off by the end of the input; EILSEQ: a
            // malformed or unrepresentable one.
            const std::size_t skipped = errno == EINVAL ? inLeft : skip(std::string_view(in, inLeft));
            in += skipped;
            inLeft -= skipped;
            output.append(questionMark_);
        }
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(handle_, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, static_cast<std::size_t>(out - buffer));
        return output;
    }

    void SetReplacement(std::string replacement) { questionMark_ = std::move(replacement); }

private:
    iconv_t handle_;
    std::string questionMark_ = "?";
};

std::size_t SkipOneByte(std::string_view rest) { return rest.empty() ? 0 : 1; }

// Skips one UTF-8 character when the lead byte announces a well-formed one
// (a character the target cannot hold), otherwise one byte.
std::size_t SkipUtf8Char(std::string_view rest) {
    if (rest.empty()) return 0;
    const auto lead = static_cast<unsigned char>(rest[0]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (length > rest.size()) return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

// Skips one UTF-16LE code unit pair.
std::size_t SkipUtf16Unit(std::string_view rest) { return rest.size() >= 2 ? 2 : rest.size(); }

Converter& Get(const char* to, const char* from) {
    thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> converters;
    auto& slot = converters[{to, from}];
    if (!slot) slot = std::make_unique<Converter>(to, from);
    return *slot;
}

std::string BytesOf(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string UnitsOf(const std::string& bytes) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return text;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    return Get(kUtf8, kGbk).Run(gbk, false, SkipOneByte);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Get(kGbk, kUtf8).Run(utf8, false, SkipUtf8Char);
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
    auto bytes = Get(kUtf16, kUtf8).Run(utf8, false, SkipUtf8Char);
    if (!bytes) return std::nullopt;
    return UnitsOf(*bytes);
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16) {
    return Get(kUtf8, kUtf16).Run(BytesOf(utf16), false, SkipUtf16Unit);
}

std::optional<std::u16string> GbkToUtf16(std::string_view gbk) {
    auto bytes = Get(kUtf16, kGbk).Run(gbk, false, SkipOneByte);
    if (!bytes) return std::nullopt;
    return UnitsOf(*bytes);
}

std::optional<std::string> Utf16ToGbk(std::u16string_view utf16) {
    return Get(kGbk, kUtf16).Run(BytesOf(utf16), false, SkipUtf16Unit);
}

std::string GbkToUtf8Lossy(std::string_view gbk) {
    if (IsAscii(gbk)) return std::string(gbk);
    return Get(kUtf8, kGbk).Run(gbk, true, SkipOneByte).value_or(std::string());
}

std::string Utf8ToGbkLossy(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Get(kGbk, kUtf8).Run(utf8, true, SkipUtf8Char).value_or(std::string());
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (c & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

}  // namespace ostrand
