#include "ui/dialog_routes.h"

namespace ostrand {

void AddUpgradeDialogs(DialogRoutes& /*routes*/) {}

}  // namespace ostrand
