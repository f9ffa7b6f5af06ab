#include "sim/command_behaviours.h"

namespace ostrand::sim {

void AddUpgradeBehaviours(CommandBehaviours& /*table*/) {}

}  // namespace ostrand::sim
