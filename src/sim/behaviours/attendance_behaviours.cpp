// The attendance terminal's own commands: settings groups that a set stores
// and the next get returns, channel bindings with the terminal's checks, and
// the visitor machines it has found.

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/code_page.h"
#include "sim/behaviours/attendance/attendance_state.h"
#include "sim/command_behaviours.h"

namespace ostrand::sim {

namespace {

using StateCommand = std::function<ParamMap(AttendanceState&, const ParamMap&)>;

std::string Get(const ParamMap& request, const char* key) {
    const auto it = request.find(key);
    return it == request.end() ? std::string() : it->second;
}

long Number(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

// Device texts are GBK; the source's are UTF-8.
ParamMap Refusal(const char* errmsg) { return {{"result", "10001"}, {"errmsg", Utf8ToGbkLossy(errmsg)}}; }

// Runs `command` on the device's attendance state and leaves out the reply
// keys the starting state names for this code.
void AddStateCode(CommandBehaviours& table, CommandCode code, StateCommand command) {
    table.AddCode(code, [code, command = std::move(command)](Device& device, const ParamMap& request) {
        const nlohmann::json start = device.StartingState("attendance");
        return device.WithState<AttendanceState>([&](AttendanceState& state) {
            state.Load(start);
            ParamMap reply = command(state, request);
            if (const auto it = state.omit.find(std::to_string(code)); it != state.omit.end()) {
                for (const std::string& key : it->second) reply.erase(key);
            }
            return reply;
        });
    });
}

// A get returning stored values under their reply keys.
StateCommand Read(std::vector<std::pair<std::string, std::string>> keys) {
    return [keys = std::move(keys)](AttendanceState& state, const ParamMap&) {
        ParamMap reply;
        for (const auto& [replyKey, storedKey] : keys) reply[replyKey] = state.Value(storedKey);
        return reply;
    };
}

// A set storing the request values it carries.
StateCommand Write(std::vector<std::pair<std::string, std::string>> keys) {
    return [keys = std::move(keys)](AttendanceState& state, const ParamMap& request) {
        for (const auto& [requestKey, storedKey] : keys) {
            if (const auto it = request.find(requestKey); it != request.end()) state.values[storedKey] = it->second;
        }
        return ParamMap{};
    };
}

ParamMap GateController(AttendanceState& state, const ParamMap& request) {
    const std::string type = Get(request, "handtype");
    if (type == "1") {
        const long id = Number(Get(request, "newId"));
        if (id < 0 || id > 7) return Refusal("地址错误");
        state.values["addr"] = std::to_string(id);
        return {{"addr", state.Value("addr")}};
    }
    if (type == "2") {
        state.values["ledSw"] = Get(request, "ledSw");
        return {};
    }
    if (type == "3") return {{"addr", state.Value("addr")}};
    if (type == "4") {
        state.values["dire"] = Get(request, "dire");
        return {};
    }
    return Refusal("handtype错误");
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('&', start);
        if (end == std::string::npos) {
            pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

// 5039 and 5042: "handtype" 0 reads, 1 binds. A capture IPC the terminal does
// not know is marked ":1", one bound elsewhere ":2", and the set refused with
// "result" "5".
StateCommand ChannelBindings(CommandCode code) {
    const std::string key = std::to_string(code) + ".devicenos";
    return [code, key](AttendanceState& state, const ParamMap& request) -> ParamMap {
        const std::string type = Get(request, "handtype");
        if (type == "0") return {{"devicenos", state.Value(key)}};
        if (type != "1") return Refusal("handtype错误");
        const std::string list = Get(request, "devicenos");
        if (code == 5039) {
            std::string problems;
            const auto numbers = Split(list);
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                const std::string& number = numbers[i];
                if (number.empty()) continue;
                const char* mark = nullptr;
                if (!state.knownIpcs.empty() && !state.knownIpcs.contains(number)) mark = ":1";
                else if (state.boundElsewhere.contains(number)) mark = ":2";
                if (mark == nullptr) continue;
                if (!problems.empty()) problems += ",";
                problems += Utf8ToGbkLossy("通道") + std::to_string(i + 1) + mark;
            }
            if (!problems.empty()) return {{"result", "5"}, {"message", problems}};
        }
        state.values[key] = list;
        return {};
    };
}

ParamMap VisitorDevices(AttendanceState& state, const ParamMap& request) {
    const std::string type = Get(request, "handtype");
    if (type == "1") {
        std::string binds, numbers, ips;
        for (const VisitorMachine& machine : state.visitors) {
            binds += machine.bound ? "1&" : "0&";
            numbers += machine.deviceNumber + "&";
            ips += machine.ip + "&";
        }
        return {{"bind", binds}, {"devicecode", numbers}, {"ip", ips}};
    }
    if (type != "2") return Refusal("handtype错误");
    const auto wanted = Split(Get(request, "binddevice"));
    for (const std::string& number : wanted) {
        bool known = false;
        for (const VisitorMachine& machine : state.visitors) known |= machine.deviceNumber == number;
        if (!known) return Refusal("访客机不存在");
    }
    for (VisitorMachine& machine : state.visitors) {
        machine.bound = false;
        for (const std::string& number : wanted) machine.bound |= machine.deviceNumber == number;
    }
    return {};
}

ParamMap CardParams(AttendanceState& state, const ParamMap& request) {
    const std::string type = Get(request, "handletype");
    if (type == "0") return {{"readcount", state.Value("readcount")}, {"readtime", state.Value("readtime")}};
    if (type != "1") return Refusal("handletype错误");
    return Write({{"readcount", "readcount"}, {"readtime", "readtime"}})(state, request);
}

}  // namespace

void AddAttendanceBehaviours(CommandBehaviours& table) {
    // Door auto-lock time and TF-card alarm.
    AddStateCode(table, 5022, Read({{"AlarmType", "AlarmType"}, {"UnlockTime", "UnlockTime"}}));
    AddStateCode(table, 5021, Write({{"AlarmType", "AlarmType"}, {"UnlockTime", "UnlockTime"}}));
    AddStateCode(table, 5041, GateController);
    // Gate and face-recognition channels, face gate mode, speaker, interval.
    AddStateCode(table, 7000, Read({{"inoutlist", "gate.inoutlist"}, {"soundlist", "gate.soundlist"}}));
    AddStateCode(table, 7001, Write({{"inoutlist", "gate.inoutlist"}, {"soundlist", "gate.soundlist"}}));
    AddStateCode(table, 7004, Read({{"inoutlist", "face.inoutlist"}}));
    AddStateCode(table, 7005, Write({{"chnlcnt", "face.chnlcnt"}, {"inoutlist", "face.inoutlist"}}));
    AddStateCode(table, 7006, Read({{"mode", "mode"}}));
    AddStateCode(table, 7007, [](AttendanceState& state, const ParamMap& request) {
        const std::string mode = Get(request, "mode");
        if (mode != "1" && mode != "2") return Refusal("模式错误");
        state.values["mode"] = mode;
        return ParamMap{};
    });
    AddStateCode(table, 7011, Read({{"repeatTime", "repeatTime"}}));
    AddStateCode(table, 7012, Write({{"repeatTime", "repeatTime"}}));
    AddStateCode(table, 7013, Read({{"interval", "interval"}}));
    AddStateCode(table, 7014, Write({{"interval", "interval"}}));
    // Servers and attendance periods.
    AddStateCode(table, 5020, Read({{"AttendIp", "AttendIp"}, {"AttendPort", "AttendPort"}}));
    AddStateCode(table, 5019, Write({{"AttendIp", "AttendIp"}, {"AttendPort", "AttendPort"}}));
    AddStateCode(table, 5037, Read({{"AttendClientIp", "AttendClientIp"}}));
    AddStateCode(table, 5038, Write({{"AttendClientIp", "AttendClientIp"}}));
    AddStateCode(table, 5036,
                 Read({{"AttendType", "AttendType"}, {"BeginTime", "BeginTime"}, {"EndTime", "EndTime"}}));
    AddStateCode(table, 5035,
                 Write({{"AttendType", "AttendType"}, {"BeginTime", "BeginTime"}, {"EndTime", "EndTime"}}));
    // Bindings and card reading.
    AddStateCode(table, 5039, ChannelBindings(5039));
    AddStateCode(table, 5042, ChannelBindings(5042));
    AddStateCode(table, 7003, VisitorDevices);
    AddStateCode(table, 5043, CardParams);
}

}  // namespace ostrand::sim
