// The peripherals of a simulated terminal (bound temperature device 7008,
// wireless speakers 5040, network amplifiers 5044) and the address change of
// a simulated temperature device (the flat exchange).

#include <algorithm>
#include <cstdlib>
#include <set>

#include "sim/behaviours/peripherals/peripheral_state.h"
#include "sim/command_behaviours.h"
#include "transport/form_channel.h"

namespace ostrand::sim {
namespace {

std::string Entry(const ParamMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

bool Refused(const PeripheralState& state, const char* code, const std::string& handtype) {
    const auto found = state.refused.find(code);
    return found != state.refused.end() && found->second.contains(handtype);
}

ParamMap Refusal() { return {{"result", "10001"}, {"errmsg", "refused"}}; }

template <class Rows, class Field>
std::string Joined(const Rows& rows, Field field) {
    std::string text;
    for (const auto& row : rows) text += field(row) + "&";
    return text;
}

ParamMap TemperaBinding(Device& device, const ParamMap& request) {
    return WithPeripherals(device, [&](PeripheralState& state) -> ParamMap {
        const auto handtype = Entry(request, "handtype");
        if (Refused(state, "7008", handtype)) return Refusal();
        if (handtype == "1") return {{"IP", state.boundTemperaIp}};
        if (handtype == "2") {
            state.boundTemperaIp = Entry(request, "IP");
            state.boundTemperaUser = Entry(request, "user");
            state.boundTemperaPassword = Entry(request, "pwd");
            return {};
        }
        return {{"result", "10002"}, {"errmsg", "unknown handtype"}};
    });
}

// The flat exchange: a temperature device changes its address; any other
// device keeps the generic settings read/write.
ParamMap FlatExchange(Device& device, const ParamMap& request) {
    const bool tempera = WithPeripherals(device, [&](PeripheralState& state) { return state.tempera.has_value(); });
    if (!tempera) {
        bool read = true;
        for (const auto& [key, value] : request)
            if (key != "result" && key != kFixedFormKey) read = false;
        if (read) {
            auto reply = device.Settings();
            reply.erase("result");
            return reply;
        }
        ParamMap stored;
        for (const auto& [key, value] : request)
            if (key != "result" && key != kFixedFormKey) stored[key] = value;
        device.MergeSettings(stored);
        return {};
    }
    return WithPeripherals(device, [&](PeripheralState& state) -> ParamMap {
        auto& identity = *state.tempera;
        if (identity.setIpRetcode != "10000") return {{"retcode", identity.setIpRetcode}, {"msg", identity.setIpMessage}};
        if (Entry(request, "dhcp") == "1") {
            identity.dhcp = true;
        } else {
            identity.dhcp = false;
            identity.ip = Entry(request, "ip");
        }
        return {{"retcode", "10000"}, {"msg", "OK"}};
    });
}

ParamMap Speakers(Device& device, const ParamMap& request) {
    return WithPeripherals(device, [&](PeripheralState& state) -> ParamMap {
        const auto handtype = Entry(request, "handtype");
        if (Refused(state, "5040", handtype)) return Refusal();
        ParamMap reply;
        if (handtype == "0" || handtype == "6") {
            const bool places = handtype == "6";
            const auto& rows = places ? state.places : state.classes;
            if (places) {
                reply["classroomids"] = Joined(rows, [](const SpeakerRow& r) { return r.id; });
                reply["classroomnames"] = Joined(rows, [](const SpeakerRow& r) { return r.name; });
                reply["classids"] = Joined(rows, [](const SpeakerRow& r) { return r.classId; });
                reply["classnames"] = Joined(rows, [](const SpeakerRow& r) { return r.className; });
            } else {
                reply["classids"] = Joined(rows, [](const SpeakerRow& r) { return r.id; });
                reply["classnames"] = Joined(rows, [](const SpeakerRow& r) { return r.name; });
            }
            reply["audionos"] = Joined(rows, [](const SpeakerRow& r) { return r.speakers; });
            if (state.testAvailable)
                reply["audiotests"] = std::to_string(state.testOn ? 1 : 0) + "&" + std::to_string(state.testSpeaker);
            reply["volume"] = std::to_string(state.volume);
            if (state.radioBandAvailable) reply["audiofreqs"] = std::to_string(state.radioBand);
        } else if (handtype == "1" || handtype == "7") {
            auto& rows = handtype == "7" ? state.places : state.classes;
            const auto id = Entry(request, handtype == "7" ? "classroomid" : "classid");
            const auto row = std::find_if(rows.begin(), rows.end(), [&](const SpeakerRow& r) { return r.id == id; });
            if (row == rows.end()) return {{"result", "10003"}, {"errmsg", "no such class"}};
            row->speakers = Entry(request, "audiono");
        } else if (handtype == "2") {
            state.volumes[std::atoi(Entry(request, "volaudiono").c_str())] = std::atoi(Entry(request, "volume").c_str());
        } else if (handtype == "3") {
            const auto found = state.volumes.find(std::atoi(Entry(request, "volaudiono").c_str()));
            reply["volume"] = std::to_string(found == state.volumes.end() ? state.volume : found->second);
        } else if (handtype == "4") {
            state.radioBand = std::atoi(Entry(request, "audiofreq").c_str());
        } else if (handtype == "5") {
            state.testSpeaker = std::atoi(Entry(request, "volaudiono").c_str());
            state.testOn = Entry(request, "audiotestsw") == "1";
        } else {
            return {{"result", "10002"}, {"errmsg", "unknown handtype"}};
        }
        return reply;
    });
}

void PutAmplifiers(const std::vector<AmplifierEntry>& entries, ParamMap& reply) {
    reply["netpowernos"] = Joined(entries, [](const AmplifierEntry& e) { return e.number; });
    reply["states"] = Joined(entries, [](const AmplifierEntry& e) { return e.state; });
    reply["binds"] = Joined(entries, [](const AmplifierEntry& e) { return e.bind; });
    reply["ips"] = Joined(entries, [](const AmplifierEntry& e) { return e.ip; });
}

ParamMap Amplifiers(Device& device, const ParamMap& request) {
    return WithPeripherals(device, [&](PeripheralState& state) -> ParamMap {
        const auto handtype = Entry(request, "handtype");
        if (Refused(state, "5044", handtype)) return Refusal();
        ParamMap reply;
        if (handtype == "0") {
            PutAmplifiers(state.amplifiers, reply);
            reply["classids"] = Joined(state.netClasses, [](const NetClassEntry& c) { return c.id; });
            reply["classnames"] = Joined(state.netClasses, [](const NetClassEntry& c) { return c.name; });
            reply["netdevs"] = Joined(state.netClasses, [](const NetClassEntry& c) { return c.amplifier; });
            reply["devzones"] = Joined(state.netClasses, [](const NetClassEntry& c) { return c.channel; });
        } else if (handtype == "1") {
            // The ticked amplifiers become the bound ones, the others unbound.
            std::set<std::string> ticked;
            std::string numbers = Entry(request, "netpowernos");
            for (std::size_t start = 0; start < numbers.size();) {
                auto end = numbers.find('&', start);
                if (end == std::string::npos) end = numbers.size();
                ticked.insert(numbers.substr(start, end - start));
                start = end + 1;
            }
            for (auto& amplifier : state.amplifiers) amplifier.bind = ticked.contains(amplifier.number) ? "1" : "0";
        } else if (handtype == "2") {
            for (const auto& found : state.searchable) {
                if (std::none_of(state.amplifiers.begin(), state.amplifiers.end(),
                                 [&](const AmplifierEntry& known) { return known.number == found.number; }))
                    state.amplifiers.push_back(found);
            }
            PutAmplifiers(state.amplifiers, reply);
        } else if (handtype == "3") {
            const auto id = Entry(request, "classid");
            auto entry = std::find_if(state.netClasses.begin(), state.netClasses.end(),
                                      [&](const NetClassEntry& c) { return c.id == id; });
            if (entry == state.netClasses.end()) return {{"result", "10003"}, {"errmsg", "no such class"}};
            auto channel = Entry(request, "channel");
            if (!channel.empty() && channel.back() == '_') channel.pop_back();
            const bool moved = Entry(request, "typeflag") == "3";
            entry->amplifier = Entry(request, "netpowerno");
            entry->channel = channel;
            if (moved && state.oldBindingStays) reply["result"] = "1";
        } else if (handtype == "4") {
            const auto id = Entry(request, "classid");
            auto entry = std::find_if(state.netClasses.begin(), state.netClasses.end(),
                                      [&](const NetClassEntry& c) { return c.id == id; });
            if (entry == state.netClasses.end()) return {{"result", "10003"}, {"errmsg", "no such class"}};
            entry->amplifier.clear();
            entry->channel.clear();
        } else {
            return {{"result", "10002"}, {"errmsg", "unknown handtype"}};
        }
        return reply;
    });
}

}  // namespace

void AddPeripheralBehaviours(CommandBehaviours& table) {
    table.AddCode(7008, TemperaBinding);
    table.AddCode(kFlatCommandCode, FlatExchange);
    table.AddCode(5040, Speakers);
    table.AddCode(5044, Amplifiers);
}

}  // namespace ostrand::sim
