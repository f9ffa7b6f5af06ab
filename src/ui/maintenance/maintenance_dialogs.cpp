#include "ui/dialog_routes.h"

namespace ostrand {

void AddMaintenanceDialogs(DialogRoutes& /*routes*/) {}

}  // namespace ostrand
