#include "ui/dialog_routes.h"
#include "ui/video/cvideo_play_sdk.h"

namespace ostrand {

void AddVideoDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::LocalVideo, [](QWidget* parent, const CommandArgs& args) {
        CVideoPlaySdk dialog(args.ip, args.port, args.channels, parent);
        dialog.exec();
    });
}

}  // namespace ostrand
