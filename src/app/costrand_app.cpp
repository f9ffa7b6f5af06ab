#include "app/costrand_app.h"

#include "platform/log.h"
#include "ui/costrand_dlg.h"

namespace ostrand {

int CostrandApp::Run() {
    ScopedMessageSink sink(messages_);
    if (!OpenLogFile("Log.txt")) {
        ShowMessage("log.txt打开失败", "错误");
        return kExitLogFailed;
    }
    {
        CostrandDlg dialog(discovery_);
        dialog.exec();
    }
    return kExitAfterMainWindow;
}

}  // namespace ostrand
