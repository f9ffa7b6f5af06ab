#pragma once
// How a password travels: as the salted MD5 digest of its GBK bytes, or as
// plain text for the firmware versions that expect it.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrand {

enum class PasswordMode { Hashed, Plain };

inline constexpr std::string_view kPasswordSalt = "lnq7rb_";
// The password edits hold at most this many characters.
inline constexpr std::size_t kMaxPasswordChars = 32;

// The salt followed by the 32 lower-case hex digits of the MD5 digest of the
// password's bytes (the salt is not hashed): 39 characters.
std::string PasswordWireForm(std::string_view gbkPassword);

// The text sent for a password in `mode`.
std::string PasswordAsSent(std::string_view gbkPassword, PasswordMode mode);

// From the version text of the device list: a text without "_" whose part
// after the first "-" is at least "3.9.1666" and below "3.9.8761" (compared
// as byte strings) takes plain text; every other text, hashed.
PasswordMode PasswordModeForVersion(std::string_view version);

// Characters (not bytes) of a UTF-8 text, as an edit counts them.
std::size_t Utf8CharacterCount(std::string_view utf8);

}  // namespace ostrand
