#pragma once
// Names that travel inside an HTTP request line: the command of "/goform/<name>"
// and the remote file name of an upload. The device text goes into the request
// line unescaped, so a carriage return or line feed would end the line and let
// the rest of the name pass as headers or as a second request; a space would
// split the line. Such names are refused before anything is sent.

#include <string_view>

namespace ostrand {

// True when `name` (device text, GBK) holds no control character (0x00-0x1F,
// 0x7F) and no space. GBK trail bytes are 0x40 or above, so a byte-wise test
// never refuses a Chinese character.
bool IsSafeRequestName(std::string_view name);

}  // namespace ostrand
