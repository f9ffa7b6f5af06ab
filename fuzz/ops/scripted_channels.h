#pragma once
// The device channels as the reply fuzzers see them: instead of sockets, every
// command exchange (TCP command, flat and HTTP form calls alike) takes the
// next reply from a script made of the fuzzer's bytes, so the operations'
// own reply handling runs on anything a device could send.
//
// A script is a list of replies separated by 0xFF bytes (a byte GBK never
// uses). Each reply is
//   "!" <byte>   a failed exchange: result 1 + byte % 10, nothing decoded;
//   "<" ...      a command XML document (DecodeCommandXml, or DecodeFlatXml
//                for the flat exchange; undecodable: 8);
//   anything else a form body ("?key=value&..."), as the HTTP channel reads it.
// Once the script is used up every exchange fails with "receive failed", and
// an operation gets at most kMaxScriptedExchanges exchanges per input.

#include <cstddef>
#include <string_view>

#include "platform/message_sink.h"

namespace ostrand::fuzz {

inline constexpr std::size_t kMaxScriptedExchanges = 400;
inline constexpr char kReplySeparator = '\xff';

// Installs the script of the next operations (the bytes must outlive them).
void ScriptReplies(std::string_view script);
// Exchanges taken since the script was installed.
std::size_t ScriptedExchanges();

// Keeps messages from the terminal and from memory.
class DiscardingSink final : public MessageSink {
public:
    void ShowMessage(std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
};

}  // namespace ostrand::fuzz
