#include "sim/command_behaviours.h"

namespace ostrand::sim {

void AddAttendanceBehaviours(CommandBehaviours& /*table*/) {}

}  // namespace ostrand::sim
