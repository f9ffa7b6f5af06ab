#pragma once
// Long-range card reading: how many times and for how long the terminal's
// reader tries a card. The texts are checked by their atoi value (0-255) and
// sent exactly as typed.

#include <string>

#include "ops/attendance/terminal_exchange.h"

namespace ostrand {

inline constexpr CommandCode kRemoteCardParamsCode = 5043;

struct CardParams {
    std::string readCount;  // "readcount"
    std::string readTime;   // "readtime", seconds
};
// The first failing check's message, empty when both texts pass.
std::string CardParamsRefusal(const CardParams& params);

struct CardParamsRead {
    TerminalOutcome outcome;
    CardParams values;
    // Why the reply does not give the values (UTF-8): a "result" other than
    // "10000" where it has one, or a missing key. Empty when it gives them,
    // and after a failed exchange (the outcome tells).
    std::string unusable;
};
CardParamsRead ReadCardParams(const DeviceEndpoint& endpoint);
TerminalOutcome WriteCardParams(const DeviceEndpoint& endpoint, const CardParams& params);

}  // namespace ostrand
