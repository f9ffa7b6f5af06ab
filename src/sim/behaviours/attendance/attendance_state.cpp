#include "sim/behaviours/attendance/attendance_state.h"

#include <stdexcept>

#include "platform/code_page.h"

namespace ostrand::sim {

namespace {

std::string Text(const nlohmann::json& value) {
    const std::string utf8 = value.is_string() ? value.get<std::string>() : value.dump();
    return Utf8ToGbkLossy(utf8);
}

// A terminal fresh from the factory.
const ParamMap& Defaults() {
    static const ParamMap defaults{
        {"AlarmType", "1"},
        {"UnlockTime", "5"},
        {"addr", "1"},
        {"ledSw", "1"},
        {"dire", "0"},
        {"gate.inoutlist", "0,0,1,1,"},
        {"gate.soundlist", "1,1,0,1,"},
        {"face.inoutlist", "0,0,1,1,"},
        {"mode", "1"},
        {"repeatTime", "1"},
        {"interval", "3"},
        {"AttendIp", "0.0.0.0"},
        {"AttendPort", ""},
        {"AttendClientIp", ""},
        {"AttendType", "0&0&0&0&0&0&0&0&0&0&0&0&0&0&0&0"},
        {"BeginTime", ""},
        {"EndTime", ""},
        {"5039.devicenos", "&&&&"},
        {"5042.devicenos", "&&&&"},
        {"readcount", "3"},
        {"readtime", "10"},
    };
    return defaults;
}

}  // namespace

void AttendanceState::Load(const nlohmann::json& start) {
    if (loaded) return;
    loaded = true;
    values = Defaults();
    if (!start.is_object()) return;
    for (const auto& [key, value] : start.items()) {
        if (key == "visitors") {
            for (const auto& entry : value) {
                VisitorMachine machine;
                machine.deviceNumber = Text(entry.value("devicecode", ""));
                machine.ip = Text(entry.value("ip", ""));
                machine.bound = entry.value("bind", 0) == 1;
                visitors.push_back(std::move(machine));
            }
        } else if (key == "knownIpcs" || key == "boundElsewhere") {
            auto& target = key == "knownIpcs" ? knownIpcs : boundElsewhere;
            for (const auto& entry : value) target.insert(Text(entry));
        } else if (key == "omit") {
            for (const auto& [code, keys] : value.items()) {
                for (const auto& omitted : keys) omit[code].push_back(Text(omitted));
            }
        } else {
            values[Utf8ToGbkLossy(key)] = Text(value);
        }
    }
}

std::string AttendanceState::Value(const std::string& key) const {
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

}  // namespace ostrand::sim
