#include "ui/dialog_routes.h"

#include "ui/attendance/bind_visitor_dev.h"
#include "ui/attendance/cattend_alarm.h"
#include "ui/attendance/cbind_photo_ipc.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/attendance/cmanager_attend_time.h"
#include "ui/attendance/cphoto_ipc_server.h"
#include "ui/attendance/cremote_card_param.h"

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
    // The binding dialogs end at once when their opening read fails.
    const DialogOpener bind = [](QWidget* parent, const CommandArgs& args) {
        CBindPhotoIpc dialog(EndpointOf(args), args.commandCode, args.deviceNumber, parent);
        if (dialog.Load()) dialog.exec();
    };
    routes.Add(CommandId::BindPhotoIpc, bind);
    routes.Add(CommandId::BindSignInCode, bind);
    routes.Add(CommandId::RemoteCardParams, [](QWidget* parent, const CommandArgs& args) {
        CRemoteCardParam dialog(EndpointOf(args), parent);
        if (dialog.Load()) dialog.exec();
    });
    routes.Add(CommandId::BindVisitor, [](QWidget* parent, const CommandArgs& args) {
        BindVisitorDev dialog(EndpointOf(args), args.version, parent);
        dialog.exec();
    });
}

}  // namespace ostrand
