#include "app/costrand_app.h"

#include "platform/log.h"
#include "platform/paths.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"

namespace ostrand {

int CostrandApp::Run() {
    ScopedMessageSink sink(messages_);
    const std::string logFolder = ProgramFileFolders().log;
    if (!OpenLogFile(logFolder.empty() ? "Log.txt" : logFolder + "/Log.txt")) {
        ShowMessage("log.txt打开失败", "错误");
        return kExitLogFailed;
    }
    {
        CostrandDlg dialog(discovery_);
        // A command whose gates passed opens its dialog over the main window.
        QObject::connect(&dialog, &CostrandDlg::CommandPassedGates, &dialog,
                         [&dialog](CommandId id, const CommandArgs& args) {
                             AllDialogRoutes().Open(id, &dialog, args);
                         });
        dialog.exec();
    }
    return kExitAfterMainWindow;
}

}  // namespace ostrand
