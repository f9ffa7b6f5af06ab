#pragma once
// The holder names of the user file arrive either in GBK or in UTF-8; these
// two decide which and convert a UTF-8 name to GBK the way the terminals'
// names need (three-byte sequences only, as Chinese names are).
// The GBK/UTF-8/UTF-16 conversions of whole texts, Utf8ToAnsi and AnsiToWide,
// live in platform/code_page.h.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrand {

// True when the first n bytes are well-formed multi-byte sequences (lead bytes
// up to 0xFD) and at least one byte is 0x80 or above; false for n = 0.
bool IsNonAsciiUtf8(const char* bytes, std::size_t n);

// Converts the first n bytes of a name field: ASCII bytes are copied, every
// byte of 0x80 or above starts a three-byte sequence whose code point becomes
// its GBK pair. The continuation bytes are taken from the field even beyond n,
// but never beyond the field's end: a sequence cut by the end becomes "?" and
// ends the text. A code point GBK cannot hold becomes "?". The result ends at
// its first NUL.
std::string Utf8NameToAnsi(std::string_view field, std::size_t n);

}  // namespace ostrand
