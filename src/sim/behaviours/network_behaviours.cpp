#include "sim/command_behaviours.h"

namespace ostrand::sim {

void AddNetworkBehaviours(CommandBehaviours& /*table*/) {}

}  // namespace ostrand::sim
