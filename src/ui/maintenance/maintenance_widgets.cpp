#include "ui/maintenance/maintenance_widgets.h"

#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

std::optional<std::string> TypedDeviceText(const QString& text, const char* whatChinese, const char* whatEnglish) {
    auto gbk = Utf8ToGbk(text.toStdString());
    if (!gbk) {
        ShowMessage(std::string(Tr(whatChinese, whatEnglish)) +
                    Tr("含有无法用GBK表示的字符，未发送", " holds characters GBK cannot represent; nothing was sent"));
    }
    return gbk;
}

void ShowOutcome(const MaintenanceOutcome& outcome) {
    for (const std::string& message : outcome.messages) ShowMessage(message);
}

MaintenanceOutcome RunMaintenanceWork(QWidget* window, const std::function<MaintenanceOutcome()>& operation) {
    MaintenanceOutcome outcome;
    RunModalWork(window, [&] { outcome = operation(); });
    return outcome;
}

}  // namespace ostrand
