#include "sim/behaviours/peripherals/peripheral_state.h"

#include "platform/code_page.h"

namespace ostrand::sim {
namespace {

using Json = nlohmann::json;

std::string Text(const Json& object, const char* key, std::string fallback = {}) {
    if (!object.is_object() || !object.contains(key)) return fallback;
    const auto& value = object.at(key);
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer()) return std::to_string(value.get<long long>());
    return fallback;
}

int Number(const Json& object, const char* key, int fallback) {
    if (!object.is_object() || !object.contains(key) || !object.at(key).is_number_integer()) return fallback;
    return object.at(key).get<int>();
}

bool Flag(const Json& object, const char* key, bool fallback) {
    if (!object.is_object() || !object.contains(key) || !object.at(key).is_boolean()) return fallback;
    return object.at(key).get<bool>();
}

std::vector<SpeakerRow> Rows(const Json& list, bool namesInGbk) {
    std::vector<SpeakerRow> rows;
    if (!list.is_array()) return rows;
    for (const auto& item : list) {
        const auto name = Text(item, "name");
        rows.push_back({Text(item, "id"), namesInGbk ? Utf8ToGbkLossy(name) : name, Text(item, "speakers"),
                        Text(item, "classId"), Text(item, "className")});
    }
    return rows;
}

std::vector<AmplifierEntry> Amplifiers(const Json& list) {
    std::vector<AmplifierEntry> entries;
    if (!list.is_array()) return entries;
    for (const auto& item : list)
        entries.push_back({Text(item, "number"), Text(item, "state", "1"), Text(item, "bind", "0"), Text(item, "ip")});
    return entries;
}

}  // namespace

void LoadPeripheralState(const Device& device, PeripheralState& state) {
    state.loaded = true;
    const Json start = device.StartingState("peripherals");
    if (!start.is_object()) return;
    if (start.contains("tempera")) {
        const auto& tempera = start.at("tempera");
        TemperaIdentity identity;
        identity.deviceType = Text(tempera, "deviceType", "10754052");
        identity.model = Utf8ToGbkLossy(Text(tempera, "model", "DS-2TB21-3AVF"));
        identity.serial = Text(tempera, "serial", "SN" + device.Config().deviceNumber);
        identity.mac = Text(tempera, "mac", FieldText(device.Record().mac));
        identity.ip = Text(tempera, "ip", device.AddressText());
        identity.answerFirst = Flag(tempera, "answerFirst", true);
        identity.answerSecond = Flag(tempera, "answerSecond", true);
        identity.repeat = Number(tempera, "repeat", 1);
        identity.setIpRetcode = Text(tempera, "setIpRetcode", "10000");
        identity.setIpMessage = Utf8ToGbkLossy(Text(tempera, "setIpMessage"));
        state.tempera = identity;
    }
    if (start.contains("boundTempera")) {
        const auto& bound = start.at("boundTempera");
        state.boundTemperaIp = Text(bound, "ip");
        state.boundTemperaUser = Text(bound, "user");
        state.boundTemperaPassword = Text(bound, "pwd");
    }
    if (start.contains("speakers")) {
        const auto& speakers = start.at("speakers");
        state.classes = Rows(speakers.value("classes", Json::array()), true);
        state.places = Rows(speakers.value("places", Json::array()), false);
        state.volume = Number(speakers, "volume", 5);
        state.testAvailable = Flag(speakers, "test", true);
        state.radioBandAvailable = Flag(speakers, "radioBand", true);
        state.radioBand = Number(speakers, "band", 0);
    }
    if (start.contains("amplifiers")) {
        const auto& amplifiers = start.at("amplifiers");
        state.amplifiers = Amplifiers(amplifiers.value("known", Json::array()));
        state.searchable = Amplifiers(amplifiers.value("searchable", Json::array()));
        const auto classes = amplifiers.value("classes", Json::array());
        for (const auto& item : classes)
            state.netClasses.push_back({Text(item, "id"), Utf8ToGbkLossy(Text(item, "name")), Text(item, "amplifier"),
                                        Text(item, "channel")});
        state.oldBindingStays = Flag(amplifiers, "oldBindingStays", false);
    }
    if (start.contains("refuse") && start.at("refuse").is_object()) {
        for (const auto& [code, handtypes] : start.at("refuse").items()) {
            if (!handtypes.is_array()) continue;
            for (const auto& handtype : handtypes)
                if (handtype.is_string()) state.refused[code].insert(handtype.get<std::string>());
        }
    }
}

std::optional<TemperaIdentity> TemperaOf(Device& device) {
    return WithPeripherals(device, [](PeripheralState& state) { return state.tempera; });
}

}  // namespace ostrand::sim
