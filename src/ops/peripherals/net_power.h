#pragma once
// The network amplifiers (5044) a terminal knows, the amplifiers bound to it
// and which amplifier channel each class plays on.

#include <optional>
#include <string>
#include <vector>

#include "transport/command_code.h"
#include "transport/param_map.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kNetPowerCode = 5044;
inline constexpr int kNetClassVolume = 5;  // the slider nobody sees starts at 5 of 16

struct AmplifierRow {
    std::string number;  // GBK, column 2
    std::string state;   // UTF-8: "在线", "不在线" or "" (no state sent)
    std::string bind;    // UTF-8: "已绑定", "未绑定" or ""
    std::string ip;
    bool ticked = false;
};

struct AmplifierList {
    std::vector<AmplifierRow> rows;
    // Online and bound: the amplifiers a class can be put on.
    std::vector<std::string> boundAmplifiers;
};

// From the split "netpowernos", "states", "binds", "ips" of a refresh or search
// reply; shorter lists give empty cells.
AmplifierList AmplifierListFromReply(const ParamMap& reply);

struct NetClassRow {
    std::string classId;
    std::string className;
    std::string amplifier;  // "netdevs"
    std::string channel;    // "devzones"
};
std::vector<NetClassRow> NetClassRowsFromReply(const ParamMap& reply);

struct NetPowerPage {
    bool ok = false;
    AmplifierList amplifiers;
    std::vector<NetClassRow> classes;
};
// handtype "0". A failed call leaves both lists empty (the channel has shown
// its message).
NetPowerPage RefreshNetPower(DeviceEndpoint& terminal);

struct NetPowerOutcome {
    bool ok = false;
    std::string message;  // UTF-8
};
// handtype "2": "搜索失败!" unless the terminal answered "10000".
NetPowerOutcome SearchAmplifiers(DeviceEndpoint& terminal, AmplifierList& list);

// handtype "1" with every ticked amplifier's number followed by "&" (no
// "netpowernos" when none is ticked).
ParamMap BindAmplifiersRequest(const std::vector<std::string>& tickedNumbers);
NetPowerOutcome BindAmplifiers(DeviceEndpoint& terminal, const std::vector<std::string>& tickedNumbers);

// handtype "4": "解绑成功!" / "解绑失败!".
NetPowerOutcome UnbindNetClass(DeviceEndpoint& terminal, const std::string& classId);

// A class's amplifier channel, handed to SetNetClass and back.
struct ClassAmpBinding {
    std::string classId;
    std::string className;
    std::string amplifier;
    std::string channel;
    bool changed = false;
};

// "1" when the class had no amplifier, "2" for the same one, "3" for another.
std::string NetClassTypeFlag(const std::string& oldAmplifier, const std::string& newAmplifier);
ParamMap SetNetClassRequest(const ClassAmpBinding& binding, const std::string& amplifier, const std::string& channel,
                            int volume = kNetClassVolume);
// Reads the "result" of handtype "3" into the binding; returns the message.
std::string ApplyNetClassResult(ClassAmpBinding& binding, const std::string& result, const std::string& amplifier,
                                const std::string& channel);
// handtype "3" and its result.
std::string SetNetClassBinding(DeviceEndpoint& terminal, ClassAmpBinding& binding, const std::string& amplifier,
                               const std::string& channel);

}  // namespace ostrand
