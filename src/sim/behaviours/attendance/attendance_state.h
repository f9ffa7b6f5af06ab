#pragma once
// What a simulated attendance terminal remembers of its settings groups,
// channel bindings and visitor machines: a set stores, the next get returns.
// The fleet file's "state": {"attendance": {...}} gives starting values (any
// reply key, e.g. "UnlockTime", "gate.inoutlist", "5039.devicenos"), the
// visitor machines, the capture IPCs the terminal accepts and the reply keys
// to leave out per code ("omit": {"7000": ["soundlist"]}).

#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "transport/param_map.h"

namespace ostrand::sim {

struct VisitorMachine {
    std::string deviceNumber;  // GBK
    std::string ip;
    bool bound = false;
};

struct AttendanceState {
    bool loaded = false;
    ParamMap values;  // GBK
    std::vector<VisitorMachine> visitors;
    std::set<std::string> knownIpcs;       // empty: any capture IPC number is accepted
    std::set<std::string> boundElsewhere;  // capture IPCs another terminal holds
    std::map<std::string, std::vector<std::string>> omit;  // code -> reply keys left out

    // Fills the defaults and the fleet file's starting state (once).
    void Load(const nlohmann::json& start);
    std::string Value(const std::string& key) const;
};

}  // namespace ostrand::sim
