#pragma once
// The two XML documents that carry a ParamMap on the TCP channels, printed and
// parsed with TinyXML. No state, no I/O, no messages.

#include <string>
#include <string_view>

#include "transport/command_code.h"
#include "transport/param_map.h"

namespace ostrand {

inline constexpr const char* kCommandTypeText = "View-Ostrand";

// The command document: declaration (GB2312), "command" with "id", "name" (both
// the decimal code), "type" and "params" holding one "param" (key, value) per
// entry in map order. Keys and values are not limited here; the frame limit of
// the channel decides whether the document can be sent.
std::string EncodeCommandXml(const ParamMap& request, CommandCode code);

// Adds the reply's "params" entries to `reply` (never clears it). False when the
// text is not well-formed XML or has no element; entries stored before the
// failure stay. `idText`, when given, receives the text of the "id" element
// (empty without one), so a reader of requests parses the document once.
bool DecodeCommandXml(std::string_view text, ParamMap& reply, std::string* idText = nullptr);

// The flat document: declaration (GBK), "command" with "cmdid" 9001 and one
// element per entry, named by its key.
std::string EncodeFlatXml(const ParamMap& request);

// Stores reply[root name] = "root" and reply[child name] = child text for each
// child element of the root. False when the text does not parse or has no
// element.
bool DecodeFlatXml(std::string_view text, ParamMap& reply);

}  // namespace ostrand
