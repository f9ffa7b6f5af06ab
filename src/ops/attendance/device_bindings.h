#pragma once
// Devices tied to an attendance terminal: capture IPCs (by device number) or
// gate sign-in QR codes on the terminal's channels, and the visitor machines
// the terminal knows.

#include <array>
#include <string>
#include <vector>

#include "ops/attendance/terminal_exchange.h"

namespace ostrand {

inline constexpr CommandCode kBindPhotoIpcCode = 5039;
inline constexpr CommandCode kBindSignInCodeCode = 5042;
inline constexpr CommandCode kVisitorDevicesCode = 7003;
inline constexpr int kBindChannels = 4;     // channels the dialog sends
inline constexpr int kBindChannelSlots = 8;  // channels a reply may fill

// --- Channel bindings (5039 capture IPCs, 5042 QR codes) ---
using ChannelBindings = std::array<std::string, kBindChannels>;

// The check of a set: for 5039 no channel may hold the terminal's own number
// ("不可绑定自己!", exact text equality, empty texts included); for 5042 no two
// non-empty channels may be equal ("不可重复绑定!"). Empty when it passes.
std::string BindingRefusal(CommandCode code, const ChannelBindings& channels,
                           const std::string& ownNumber);
// "devicenos": every channel followed by "&".
std::string BindingList(const ChannelBindings& channels);
// The text shown for a refused set: "result" "5" rewrites "message"; any
// other result has its digits 1-4 replaced by their texts.
std::string BindingFailureText(const ParamMap& reply);

struct BindingsRead {
    TerminalOutcome outcome;
    std::array<std::string, kBindChannelSlots> channels;  // pieces 1..8 of "devicenos"
    // Why the reply does not give the channels (UTF-8): a "result" other than
    // "10000" where it has one, or no "devicenos". Empty when it gives them,
    // and after a failed exchange (the outcome tells).
    std::string unusable;
};
BindingsRead ReadBindings(const DeviceEndpoint& endpoint, CommandCode code);
TerminalOutcome WriteBindings(const DeviceEndpoint& endpoint, CommandCode code,
                              const ChannelBindings& channels, const std::string& ownNumber);

// --- Visitor machines (7003) ---
// A terminal must run version 6.8.x with x above 232.
bool VisitorVersionSupported(const std::string& version);

struct VisitorRow {
    std::string deviceNumber;
    std::string ip;
    bool hasBinding = false;  // the "bind" entry was non-empty
    bool bound = false;       // its value was 1
};
struct VisitorSearch {
    TerminalOutcome outcome;
    std::vector<VisitorRow> rows;  // one per "devicecode" entry
};
VisitorSearch SearchVisitors(const DeviceEndpoint& endpoint, const std::string& version);
// Binds the listed device numbers (the ticked rows, top first); an empty list
// leaves "binddevice" out.
TerminalOutcome BindVisitors(const DeviceEndpoint& endpoint, const std::string& version,
                             const std::vector<std::string>& deviceNumbers);

}  // namespace ostrand
