#include "sim/command_behaviours.h"

namespace ostrand::sim {

void CommandBehaviours::AddName(std::string name, CommandBehaviour behaviour) {
    byName_[std::move(name)] = std::move(behaviour);
}

void CommandBehaviours::AddCode(CommandCode code, CommandBehaviour behaviour) {
    byCode_[code] = std::move(behaviour);
}

const CommandBehaviour* CommandBehaviours::Find(std::string_view name, CommandCode code) const {
    if (code != 0) {
        if (const auto it = byCode_.find(code); it != byCode_.end()) return &it->second;
    }
    if (!name.empty()) {
        if (const auto it = byName_.find(name); it != byName_.end()) return &it->second;
    }
    return nullptr;
}

const CommandBehaviours& AllCommandBehaviours() {
    static const CommandBehaviours table = [] {
        CommandBehaviours built;
        AddMaintenanceBehaviours(built);
        AddNetworkBehaviours(built);
        AddUpgradeBehaviours(built);
        AddAttendanceBehaviours(built);
        AddPeripheralBehaviours(built);
        AddAttendanceDataBehaviours(built);
        AddVideoBehaviours(built);
        return built;
    }();
    return table;
}

}  // namespace ostrand::sim
