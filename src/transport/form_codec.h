#pragma once
// The body encodings of the HTTP form channel. Keys and values travel
// unescaped, so a request whose text would change the body's structure is
// refused before it is sent.

#include <cstddef>
#include <optional>
#include <string>
#include <span>
#include <string_view>

#include "transport/param_map.h"

namespace ostrand {

// The largest UTF-8 form body that is sent.
inline constexpr std::size_t kMaxFormBodySize = 999;

// "" for an empty map, else "?k=v&k=v..." in map order, in device text (GBK);
// the channel converts it to UTF-8 before sending.
std::string EncodeFormBody(const ParamMap& request);

// Adds "?k=v&k=v" pairs to `reply`. False for an empty body or a pair without
// "="; true without adding anything when the body does not start with "?".
bool DecodeFormBody(std::string_view body, ParamMap& reply);
// The same reading, adding only the keys in `keep` (every key when `keep` is
// empty); `dropped` counts the pairs left out, so memory holds only what a
// caller uses however long the reply.
bool DecodeFormBody(std::string_view body, ParamMap& reply, std::span<const std::string_view> keep,
                    std::size_t& dropped);

// The reason (UTF-8, in the interface language) why `request` cannot travel as
// an unescaped form body: a key with "&" or "=", or a value with "&".
// nullopt when it can.
std::optional<std::string> FormRequestProblem(const ParamMap& request);

}  // namespace ostrand
