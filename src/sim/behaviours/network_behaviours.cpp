// The network settings of a simulated device: the network page
// ("getnetparam" / "setnetparam", codes 5000 / 5001), the NTP table
// (5027 / 5026), the serial-port type (5024 / 5025) and the function switches
// (5045, 7009 / 7010). What a set stores the next get returns; new addresses
// are also announced in the scan reply. A device whose IP is changed keeps
// listening on the address it was started with and only reports the new one.
//
// Starting state and refusals in the fleet file:
//   "state": {"network": {
//       "netparam": {"AutoIp": "no", "MasterIp": "0.0.0.0", ...},
//       "ntp": {"NtpServer0": "pool.ntp.org", "NtpPort0": "123", ...},
//       "setType": "0", "streamswitch": "1", "debuglog": "0",
//       "refuse": {"setnetparam": "errmsg text", "7010": ""}}}
// A refused command (by name or decimal code) answers "result" = "10001" with
// the given "errmsg" (none when empty) and changes nothing.

#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/code_page.h"
#include "sim/command_behaviours.h"
#include "transport/form_channel.h"

namespace ostrand::sim {
namespace {

struct NetworkState {
    bool loaded = false;
    bool settingsSeeded = false;
    ParamMap netparam;  // the fleet file's network page values, put into the settings once
    ParamMap ntp;
    std::string setType = "1";
    std::string streamswitch = "1";
    std::string debuglog = "0";
    std::map<std::string, std::string, std::less<>> refusals;  // command -> errmsg (GBK)
};

constexpr int kNtpEntries = 5;

std::string Gbk(const nlohmann::json& value) {
    return Utf8ToGbkLossy(value.is_string() ? value.get<std::string>() : value.dump());
}

void CopyObject(const nlohmann::json& from, const char* key, ParamMap& into) {
    const auto it = from.find(key);
    if (it == from.end() || !it->is_object()) return;
    for (const auto& [name, value] : it->items()) into[Gbk(name)] = Gbk(value);
}

void CopyText(const nlohmann::json& from, const char* key, std::string& into) {
    const auto it = from.find(key);
    if (it != from.end()) into = Gbk(*it);
}

// The state as the device starts: its settings (made from its fleet entry)
// and the fleet file's "network" part on top.
NetworkState StartingState(const Device& device) {
    NetworkState state;
    for (int i = 0; i < kNtpEntries; ++i) {
        state.ntp["NtpServer" + std::to_string(i)] = i == 0 ? "pool.ntp.org" : "";
        state.ntp["NtpPort" + std::to_string(i)] = "123";
    }
    const nlohmann::json start = device.StartingState("network");
    if (start.is_object()) {
        CopyObject(start, "netparam", state.netparam);
        CopyObject(start, "ntp", state.ntp);
        CopyText(start, "setType", state.setType);
        CopyText(start, "streamswitch", state.streamswitch);
        CopyText(start, "debuglog", state.debuglog);
        ParamMap refusals;
        CopyObject(start, "refuse", refusals);
        for (auto& [command, errmsg] : refusals) state.refusals[command] = errmsg;
    }
    state.loaded = true;
    return state;
}

// Runs `use` on the device's state, made on first use. The starting values
// are read before the state's lock is taken.
template <class Use>
ParamMap WithNetwork(Device& device, Use&& use) {
    const bool loaded = device.WithState<NetworkState>([](NetworkState& s) { return s.loaded; });
    std::optional<NetworkState> start;
    if (!loaded) start = StartingState(device);
    return device.WithState<NetworkState>([&](NetworkState& s) {
        if (!s.loaded && start) s = std::move(*start);
        return use(s);
    });
}

std::optional<ParamMap> Refusal(const NetworkState& state, const std::string& command) {
    const auto it = state.refusals.find(command);
    if (it == state.refusals.end()) return std::nullopt;
    ParamMap reply{{"result", "10001"}};
    if (!it->second.empty()) reply["errmsg"] = it->second;
    return reply;
}

ParamMap Refused(const char* errmsg) { return ParamMap{{"result", "10001"}, {"errmsg", errmsg}}; }

bool IsMessageKey(const std::string& key) { return key == "result" || key == kFixedFormKey; }

std::string Value(const ParamMap& map, const char* key) {
    const auto it = map.find(key);
    return it == map.end() ? std::string() : it->second;
}

// The scan reply follows the stored addresses.
void AnnounceNetwork(Device& device, const ParamMap& netparam) {
    DeviceRecord record = device.Record();
    const auto set = [&netparam](auto& field, const char* key) {
        const std::string value = Value(netparam, key);
        if (!value.empty()) SetFieldText(field, value);
    };
    set(record.ip, "ipaddress");
    set(record.subnetMask, "subnetmaskaddress");
    set(record.gateway, "gateway");
    set(record.mac, "macaddress");
    device.SetRecord(record);
}

// The network page is part of the device's settings, so the generic reads
// and writes of other commands see the same values. The keys only this page
// has are added on its first use (the fleet file's "netparam" on top).
void SeedNetworkSettings(Device& device) {
    WithNetwork(device, [&device](NetworkState& s) {
        if (s.settingsSeeded) return ParamMap{};
        s.settingsSeeded = true;
        const ParamMap settings = device.Settings();  // the device's own lock, taken after the state's
        ParamMap seeds{{"subnetmaskaddress", Value(settings, "netmask")},
                       {"AutoIp", "no"},
                       {"Open3G", "no"},
                       {"MasterIp", "0.0.0.0"},
                       {"AllMsterIp", ""},
                       {"MasterPort", "8006"},
                       {"bConfigByApp", "0"}};
        for (auto it = seeds.begin(); it != seeds.end();) {
            it = settings.contains(it->first) ? seeds.erase(it) : std::next(it);
        }
        for (const auto& [key, value] : s.netparam) seeds[key] = value;
        device.MergeSettings(seeds);
        return ParamMap{};
    });
}

ParamMap GetNetParam(Device& device, const ParamMap&) {
    SeedNetworkSettings(device);
    if (auto refused = WithNetwork(device, [](NetworkState& s) { return Refusal(s, "getnetparam").value_or(ParamMap{}); });
        !refused.empty()) {
        return refused;
    }
    ParamMap reply = device.Settings();
    reply.erase("result");
    return reply;
}

ParamMap SetNetParam(Device& device, const ParamMap& request) {
    SeedNetworkSettings(device);
    if (auto refused = WithNetwork(device, [](NetworkState& s) { return Refusal(s, "setnetparam").value_or(ParamMap{}); });
        !refused.empty()) {
        return refused;
    }
    ParamMap updates;
    for (const auto& [key, value] : request) {
        if (!IsMessageKey(key)) updates[key] = value;
    }
    // The first server is the one in use; the page shows them all.
    if (const auto master = request.find("MasterIp"); master != request.end()) {
        const std::string& all = master->second;
        updates["AllMsterIp"] = all == "0.0.0.0" ? std::string() : all;
        updates["MasterIp"] = all.substr(0, all.find(';'));
    }
    if (const auto staticIp = request.find("staticIP"); staticIp != request.end()) {
        updates["AutoIp"] = staticIp->second == "0" ? "no" : "yes";
    }
    if (const auto mask = request.find("subnetmaskaddress"); mask != request.end()) updates["netmask"] = mask->second;
    device.MergeSettings(updates);
    AnnounceNetwork(device, device.Settings());
    return ParamMap{};
}

ParamMap GetNtp(Device& device, const ParamMap&) {
    return WithNetwork(device, [](NetworkState& s) {
        if (auto refused = Refusal(s, "5027")) return *refused;
        return s.ntp;
    });
}

ParamMap SetNtp(Device& device, const ParamMap& request) {
    return WithNetwork(device, [&](NetworkState& s) {
        if (auto refused = Refusal(s, "5026")) return *refused;
        ParamMap table = s.ntp;
        for (const auto& [key, value] : request) {
            if (key.rfind("NtpServer", 0) == 0 || key.rfind("NtpPort", 0) == 0) table[key] = value;
        }
        for (int i = 0; i < kNtpEntries; ++i) {
            const std::string port = Value(table, ("NtpPort" + std::to_string(i)).c_str());
            if (port.find_first_not_of("0123456789") != std::string::npos) return Refused("bad NTP port");
        }
        s.ntp = std::move(table);
        return ParamMap{};
    });
}

ParamMap GetSerialType(Device& device, const ParamMap&) {
    return WithNetwork(device, [](NetworkState& s) {
        if (auto refused = Refusal(s, "5024")) return *refused;
        return ParamMap{{"setType", s.setType}};
    });
}

ParamMap SetSerialType(Device& device, const ParamMap& request) {
    return WithNetwork(device, [&](NetworkState& s) {
        if (auto refused = Refusal(s, "5025")) return *refused;
        const std::string type = Value(request, "setType");
        if (type != "0" && type != "1") return Refused("bad setType");
        s.setType = type;
        return ParamMap{};
    });
}

ParamMap SetStreamSwitch(Device& device, const ParamMap& request) {
    ParamMap reply = WithNetwork(device, [&](NetworkState& s) {
        if (auto refused = Refusal(s, "5045")) return *refused;
        const std::string value = Value(request, "streamswitch");
        if (Value(request, "handtype") != "1" || (value != "0" && value != "1")) {
            return Refused("bad stream switch");
        }
        s.streamswitch = value;
        return ParamMap{};
    });
    // The switch has no read command; tests see it among the settings.
    if (reply.empty()) device.SetSetting("streamswitch", Value(request, "streamswitch"));
    return reply;
}

ParamMap GetDebugLog(Device& device, const ParamMap&) {
    return WithNetwork(device, [](NetworkState& s) {
        if (auto refused = Refusal(s, "7009")) return *refused;
        return ParamMap{{"result", "10000"}, {"debuglog", s.debuglog}};
    });
}

ParamMap SetDebugLog(Device& device, const ParamMap& request) {
    return WithNetwork(device, [&](NetworkState& s) {
        if (auto refused = Refusal(s, "7010")) return *refused;
        const std::string value = Value(request, "debuglog");
        if (value != "0" && value != "1") return Refused("bad debuglog");
        s.debuglog = value;
        return ParamMap{};
    });
}

}  // namespace

void AddNetworkBehaviours(CommandBehaviours& table) {
    table.AddName("getnetparam", GetNetParam);
    table.AddName("getnetparam_v1", GetNetParam);
    table.AddName("setnetparam", SetNetParam);
    table.AddName("setnetparam_v1", SetNetParam);
    table.AddCode(5027, GetNtp);
    table.AddCode(5026, SetNtp);
    table.AddCode(5024, GetSerialType);
    table.AddCode(5025, SetSerialType);
    table.AddCode(5045, SetStreamSwitch);
    table.AddCode(7009, GetDebugLog);
    table.AddCode(7010, SetDebugLog);
}

}  // namespace ostrand::sim
