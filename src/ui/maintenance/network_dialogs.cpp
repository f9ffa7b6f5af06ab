// The dialogs of the network settings: network parameters, serial-port type,
// NTP servers and function switches.

#include "ui/dialog_routes.h"
#include "ui/maintenance/config_manager_dlg.h"
#include "ui/maintenance/set_com_type.h"
#include "ui/maintenance/set_ntp_server.h"
#include "ui/maintenance/video_cfg.h"

namespace ostrand {
namespace {

DeviceEndpoint EndpointOf(const CommandArgs& args) {
    return {args.ip, static_cast<std::uint16_t>(args.port)};
}

}  // namespace

void AddNetworkDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::NetworkParams, [](QWidget* parent, const CommandArgs& args) {
        CConfigManagerDLG dialog(args.ip, args.port, parent);
        dialog.exec();
    });
    routes.Add(CommandId::SerialType, [](QWidget* parent, const CommandArgs& args) {
        CSetComType dialog(EndpointOf(args), parent);
        dialog.exec();
    });
    routes.Add(CommandId::NtpServer, [](QWidget* parent, const CommandArgs& args) {
        CSetNtpServer dialog(EndpointOf(args), parent);
        dialog.exec();
    });
    routes.Add(CommandId::FunctionSwitches, [](QWidget* parent, const CommandArgs& args) {
        CVideoCfg dialog(EndpointOf(args), parent);
        dialog.exec();
    });
}

}  // namespace ostrand
