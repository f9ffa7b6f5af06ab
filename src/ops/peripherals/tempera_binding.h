#pragma once
// Which temperature device a terminal uses (command 7008 to the terminal) and
// the address change of a temperature device itself (the flat exchange).
// Texts handed back for the status bar and message boxes are UTF-8; device
// values stay GBK.

#include <cstdint>
#include <string>
#include <string_view>

#include "transport/command_code.h"
#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kTemperaBindCode = 7008;
inline constexpr std::string_view kTemperaRestingText = "提示：IP为空为则解绑或设置DHCP";

struct BoundTempera {
    bool ok = false;
    std::string ip;      // GBK, the bound device ("" when none or on failure)
    std::string status;  // "获取成功" / "获取失败"
};
// handtype "1". A channel failure has shown its message box.
BoundTempera GetBoundTempera(DeviceEndpoint& terminal);

struct TemperaBindOutcome {
    bool ok = false;
    BoundTempera bound;  // read again after a successful bind
    std::string status;  // "绑定成功" / "操作失败"
};
// handtype "2" with "IP", "user", "pwd" as given (an empty IP unbinds).
TemperaBindOutcome BindTemperaDevice(DeviceEndpoint& terminal, const std::string& ip, const std::string& user,
                                     const std::string& password);

// "ip" and "dhcp" ("1" for an empty IP, else "0").
ParamMap SetTemperaIpRequest(const std::string& ip);

struct TemperaIpOutcome {
    TransportResult transport = kTransportOk;
    bool ok = false;
    bool showMessage = false;  // failures also go to a message box
    std::string status;        // UTF-8
    ParamMap reply;
};
TemperaIpOutcome SetTemperaIp(DeviceEndpoint& tempera, const std::string& ip);

// A list row's port column: the address change needs a port above 0.
std::uint16_t TemperaPortFromCell(std::string_view portText);

}  // namespace ostrand
