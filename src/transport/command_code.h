#pragma once
// Numeric command identifiers of the framed TCP channel.

#include <cstdint>
#include <string_view>

namespace ostrand {

using CommandCode = std::int32_t;

inline constexpr CommandCode kUploadHeaderCode = 5012;  // file-upload header
inline constexpr CommandCode kFlatCommandCode = 9001;   // the flat document exchange

// The TCP code of an HTTP form command name (exact, case-sensitive); 0 when the
// command has no TCP equivalent and must go over HTTP even on port 60005.
CommandCode CommandCodeForName(std::string_view name);

}  // namespace ostrand
