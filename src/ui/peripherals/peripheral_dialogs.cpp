#include "ui/dialog_routes.h"

namespace ostrand {

void AddPeripheralDialogs(DialogRoutes& /*routes*/) {}

}  // namespace ostrand
