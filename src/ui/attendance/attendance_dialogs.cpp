#include "ui/dialog_routes.h"

#include "ui/attendance/cattend_alarm.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/attendance/cmanager_attend_time.h"
#include "ui/attendance/cphoto_ipc_server.h"

namespace ostrand {

namespace {

// Opens a dialog that reads the device before it is shown.
template <class Dialog>
DialogOpener LoadAndShow() {
    return [](QWidget* parent, const CommandArgs& args) {
        Dialog dialog(EndpointOf(args), parent);
        dialog.Load();
        dialog.exec();
    };
}

}  // namespace

void AddAttendanceDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::AttendParams, LoadAndShow<CAttendAlarm>());
    routes.Add(CommandId::AttendServer, LoadAndShow<CAttendServerInfo>());
    routes.Add(CommandId::PhotoIpcServer, LoadAndShow<CPhotoIpcServer>());
    routes.Add(CommandId::AttendTime, LoadAndShow<CManagerAttendTime>());
}

}  // namespace ostrand
