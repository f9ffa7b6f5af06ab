#pragma once
// The network page of the network-parameter dialog without its widgets: the
// values and enabled states of its fields, how a "getnetparam" reply fills
// them, how the switches change them, and how a Save turns them into the
// "setnetparam" request. The dialog and the command line both work through
// these, so what a device is sent is decided once.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "transport/param_map.h"

namespace ostrand {

enum class Net3gOperator : std::uint8_t { None, Unicom, Telecom };

// Field texts are device text (GBK). A fresh page has every field enabled
// except the mask, which is never editable.
struct NetPageFields {
    bool staticIp = false;
    bool staticIpEnabled = true;
    std::string ip, mask, gateway, dns;
    bool ipEnabled = true, maskEnabled = false, gatewayEnabled = true, dnsEnabled = true;
    bool selfBuilt = false;
    std::string master, masterPort;
    bool masterEnabled = true, masterPortEnabled = true;
    std::array<std::string, 6> mac;
    std::array<bool, 6> macEnabled{true, true, true, true, true, true};
    bool open3g = false;
    Net3gOperator operatorChoice = Net3gOperator::None;
    bool operatorsEnabled = true;

    friend bool operator==(const NetPageFields&, const NetPageFields&) = default;
};

// The mask shown when the device reports none that is usable.
inline constexpr const char* kDefaultNetMask = "255.255.0.0";
inline constexpr const char* kDefaultMasterPort = "8006";
inline constexpr std::size_t kMaxMasterTextBytes = 75;
inline constexpr std::size_t kMaxMasterItems = 4;

// Four dot-separated pieces of one to three decimal digits, the first at most
// 254 and the others at most 255.
bool IsDottedIpv4(std::string_view text);
// Four pieces of up to three digits, each at most 255 (a mask may start 255).
bool IsDottedQuad(std::string_view text);

// Cuts `text` at every `separator` byte that is not the trail byte of a
// two-byte GBK character. The piece after the last separator is always kept:
// "" gives one empty item, a trailing separator a trailing empty item.
std::vector<std::string> SplitAtChar(std::string_view text, char separator);

// A master-server item: a dotted IPv4 address or a name with one of the known
// top-level suffixes (exact case).
bool IsMasterServerItem(std::string_view item);

// The first two dot-separated parts of both texts are the same.
bool InSameSegment(std::string_view ip, std::string_view gateway);

// Exactly two hexadecimal digits (either case).
bool IsMacField(std::string_view field);

// Fills the page from a "getnetparam" reply for a device on `commandPort`.
void FillFromReply(NetPageFields& fields, const ParamMap& reply, std::int32_t commandPort);

// Reactions of the page while it is edited.
void SetStaticIp(NetPageFields& fields, bool on);
void SetOpen3g(NetPageFields& fields, bool on);
void SetSelfBuilt(NetPageFields& fields, bool on);

struct NetCollectResult {
    bool ok = false;
    ParamMap request;     // complete only when ok
    std::string message;  // UTF-8, the reason when not ok
};

// Checks the page and builds the "setnetparam" request.
NetCollectResult CollectRequest(const NetPageFields& fields, std::int32_t commandPort);

}  // namespace ostrand
