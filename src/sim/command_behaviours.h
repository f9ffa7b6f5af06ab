#pragma once
// Commands a simulated device carries out with behaviour of its own: a password
// check, a table with its rules, a state that the next scan reply shows.
// Commands without a behaviour are the generic settings read/write of
// HandleCommand. Each subsystem adds its behaviours in a file of its own under
// sim/behaviours/; the table is built once and only read afterwards.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "sim/device.h"
#include "transport/command_code.h"
#include "transport/param_map.h"

namespace ostrand::sim {

// Answers one request. A reply without "result" gets "10000"; the fleet
// file's extra reply entries are added afterwards, as for every command.
using CommandBehaviour = std::function<ParamMap(Device& device, const ParamMap& request)>;

class CommandBehaviours {
public:
    // By HTTP command name (also reached over TCP when the code maps to it).
    void AddName(std::string name, CommandBehaviour behaviour);
    // By TCP command code, for the codes that have no HTTP name.
    void AddCode(CommandCode code, CommandBehaviour behaviour);
    // The code's behaviour first, then the name's; nullptr when neither has one.
    const CommandBehaviour* Find(std::string_view name, CommandCode code) const;

private:
    std::map<std::string, CommandBehaviour, std::less<>> byName_;
    std::map<CommandCode, CommandBehaviour> byCode_;
};

// Every subsystem's behaviours.
const CommandBehaviours& AllCommandBehaviours();

// One per subsystem, each in sim/behaviours/<subsystem>_behaviours.cpp.
void AddMaintenanceBehaviours(CommandBehaviours& table);
void AddNetworkBehaviours(CommandBehaviours& table);
void AddUpgradeBehaviours(CommandBehaviours& table);
void AddAttendanceBehaviours(CommandBehaviours& table);
void AddPeripheralBehaviours(CommandBehaviours& table);
void AddAttendanceDataBehaviours(CommandBehaviours& table);
void AddVideoBehaviours(CommandBehaviours& table);

}  // namespace ostrand::sim
