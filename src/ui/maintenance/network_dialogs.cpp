#include "ui/dialog_routes.h"

namespace ostrand {

void AddNetworkDialogs(DialogRoutes& /*routes*/) {}

}  // namespace ostrand
