#pragma once
// The checks a new device name (and a device number or product model) passes
// before it is sent. Texts are GBK bytes, as they travel.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

// The forbidden characters as the user is shown them: each followed by a
// space; the characters themselves are at the even positions.
inline constexpr std::string_view kForbiddenNameCharsText = ", < > ? * | \\ / : ";
inline constexpr std::size_t kMaxDeviceNameBytes = 30;

// The first forbidden character found in `gbk`. The comparison is byte by
// byte, so the trail byte of a two-byte character (0x5C "\" or 0x7C "|")
// counts as well: devices split names at these bytes without regard to the
// code page.
std::optional<char> FindForbiddenNameByte(std::string_view gbk);

// "名称［%s］中不能包含下列字符：\n\n    %s" (or the English form) with the text
// and the forbidden characters; nullopt when none is present.
std::optional<std::string> ForbiddenCharacterProblem(std::string_view gbk);

// The message a new device name is refused with, or nullopt when it may be
// sent: 1..30 bytes, no forbidden character.
std::optional<std::string> DeviceNameProblem(std::string_view gbk);

}  // namespace ostrand
