#include "sim/command_behaviours.h"

namespace ostrand::sim {

void AddPeripheralBehaviours(CommandBehaviours& /*table*/) {}

}  // namespace ostrand::sim
