#include "ui/dialog_routes.h"

#include "ui/attendance_data/cuser_info_dlg.h"

namespace ostrand {

void AddAttendanceDataDialogs(DialogRoutes& routes) {
    // The gates have checked the kind and that the row has a MAC.
    routes.Add(CommandId::AttendInfo, [](QWidget* parent, const CommandArgs& args) {
        const AttendanceDevice device{{args.ip, static_cast<std::uint16_t>(args.port)}, args.mac};
        OpenAttendanceWindows(parent, device, AttendanceDataPlaces::Default());
    });
}

}  // namespace ostrand
