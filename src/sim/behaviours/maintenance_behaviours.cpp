#include "sim/command_behaviours.h"

namespace ostrand::sim {

void AddMaintenanceBehaviours(CommandBehaviours& /*table*/) {}

}  // namespace ostrand::sim
