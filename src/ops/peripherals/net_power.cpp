#include "ops/peripherals/net_power.h"

#include "ops/attendance/list_fields.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

std::string Entry(const ParamMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

std::string At(const std::vector<std::string>& list, std::size_t k) { return k < list.size() ? list[k] : std::string(); }

std::vector<std::string> List(const ParamMap& reply, const char* key) {
    return SplitFields(Entry(reply, key), '&');
}

}  // namespace

AmplifierList AmplifierListFromReply(const ParamMap& reply) {
    AmplifierList list;
    const auto numbers = List(reply, "netpowernos");
    const auto states = List(reply, "states");
    const auto binds = List(reply, "binds");
    const auto ips = List(reply, "ips");
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        AmplifierRow row;
        row.number = numbers[i];
        const auto state = At(states, i);
        const auto bind = At(binds, i);
        const bool bound = AtoiValue(bind) == 1;
        if (!state.empty()) {
            row.state = state == "1" ? "在线" : "不在线";
            if (state == "1" && bound) list.boundAmplifiers.push_back(row.number);
        }
        if (!bind.empty()) {
            row.ticked = bound;
            row.bind = bound ? "已绑定" : "未绑定";
        }
        row.ip = At(ips, i);
        list.rows.push_back(std::move(row));
    }
    return list;
}

std::vector<NetClassRow> NetClassRowsFromReply(const ParamMap& reply) {
    const auto ids = List(reply, "classids");
    const auto names = List(reply, "classnames");
    const auto amplifiers = List(reply, "netdevs");
    const auto channels = List(reply, "devzones");
    std::vector<NetClassRow> rows;
    for (std::size_t i = 0; i < ids.size(); ++i)
        rows.push_back({ids[i], At(names, i), At(amplifiers, i), At(channels, i)});
    return rows;
}

NetPowerPage RefreshNetPower(DeviceEndpoint& terminal) {
    NetPowerPage page;
    ParamMap reply;
    page.ok = SendXmlCommand(terminal, {{"handtype", "0"}}, reply, kNetPowerCode);
    if (!page.ok) reply.clear();
    page.amplifiers = AmplifierListFromReply(reply);
    page.classes = NetClassRowsFromReply(reply);
    return page;
}

NetPowerOutcome SearchAmplifiers(DeviceEndpoint& terminal, AmplifierList& list) {
    ParamMap reply;
    if (!SendXmlCommand(terminal, {{"handtype", "2"}}, reply, kNetPowerCode) || Entry(reply, "result") != "10000")
        return {false, "搜索失败!"};
    list = AmplifierListFromReply(reply);
    return {true, {}};
}

ParamMap BindAmplifiersRequest(const std::vector<std::string>& tickedNumbers) {
    ParamMap request{{"handtype", "1"}};
    std::string numbers;
    for (const auto& number : tickedNumbers) numbers += number + "&";
    if (!numbers.empty()) request["netpowernos"] = numbers;
    return request;
}

NetPowerOutcome BindAmplifiers(DeviceEndpoint& terminal, const std::vector<std::string>& tickedNumbers) {
    ParamMap reply;
    if (SendXmlCommand(terminal, BindAmplifiersRequest(tickedNumbers), reply, kNetPowerCode) &&
        Entry(reply, "result") == "10000")
        return {true, "设置成功!"};
    const auto error = Entry(reply, "errmsg");
    if (error.empty()) return {false, "设置失败"};
    return {false, IsValidUtf8(error) ? error : GbkToUtf8Lossy(error)};
}

NetPowerOutcome UnbindNetClass(DeviceEndpoint& terminal, const std::string& classId) {
    ParamMap reply;
    if (SendXmlCommand(terminal, {{"handtype", "4"}, {"classid", classId}}, reply, kNetPowerCode) &&
        Entry(reply, "result") == "10000")
        return {true, "解绑成功!"};
    return {false, "解绑失败!"};
}

std::string NetClassTypeFlag(const std::string& oldAmplifier, const std::string& newAmplifier) {
    if (oldAmplifier.empty()) return "1";
    return oldAmplifier == newAmplifier ? "2" : "3";
}

ParamMap SetNetClassRequest(const ClassAmpBinding& binding, const std::string& amplifier, const std::string& channel,
                            int volume) {
    return {{"handtype", "3"},
            {"classid", binding.classId},
            {"classname", binding.className},
            {"netpowerno", amplifier},
            {"channel", channel + "_"},
            {"volume", std::to_string(volume)},
            {"typeflag", NetClassTypeFlag(binding.amplifier, amplifier)}};
}

std::string ApplyNetClassResult(ClassAmpBinding& binding, const std::string& result, const std::string& amplifier,
                                const std::string& channel) {
    if (result != "10000" && result != "1") return "设置失败!";
    const bool hadAmplifier = !binding.amplifier.empty();
    binding.amplifier = amplifier;
    binding.channel = channel;
    binding.changed = true;
    // "1": the new binding holds, the old one could not be removed.
    return result == "1" && hadAmplifier ? "设置成功，但原关系删除失败!" : "设置成功!";
}

std::string SetNetClassBinding(DeviceEndpoint& terminal, ClassAmpBinding& binding, const std::string& amplifier,
                               const std::string& channel) {
    ParamMap reply;
    SendXmlCommand(terminal, SetNetClassRequest(binding, amplifier, channel), reply, kNetPowerCode);
    return ApplyNetClassResult(binding, Entry(reply, "result"), amplifier, channel);
}

}  // namespace ostrand
