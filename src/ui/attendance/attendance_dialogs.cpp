#include "ui/dialog_routes.h"

namespace ostrand {

void AddAttendanceDialogs(DialogRoutes& /*routes*/) {}

}  // namespace ostrand
