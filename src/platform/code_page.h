#pragma once
// Conversions between the code pages the tool meets: GBK (code page 936) on the
// wire and in stored files, UTF-8 in the source and the widgets, UTF-16 inside
// workbook files. The strict calls fail (nullopt) on malformed input or on a
// character the target cannot hold, so callers can refuse it with a message
// instead of sending a silent "?".

#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

std::optional<std::string> GbkToUtf8(std::string_view gbk);
std::optional<std::string> Utf8ToGbk(std::string_view utf8);
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);
std::optional<std::u16string> GbkToUtf16(std::string_view gbk);
std::optional<std::string> Utf16ToGbk(std::u16string_view utf16);

// For display of texts a device sent: never fails. A malformed sequence or a
// character the target cannot hold becomes "?", as the desktop's own
// conversion does.
std::string GbkToUtf8Lossy(std::string_view gbk);
std::string Utf8ToGbkLossy(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The names the attendance-data code uses: the local multibyte code page is GBK.
inline std::optional<std::string> Utf8ToAnsi(std::string_view utf8) { return Utf8ToGbk(utf8); }
inline std::optional<std::u16string> AnsiToWide(std::string_view gbk) { return GbkToUtf16(gbk); }

}  // namespace ostrand
