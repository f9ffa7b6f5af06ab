#include "ui/maintenance/maintenance_widgets.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

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

MaintenanceOutcome RunMaintenanceWork(QWidget* window, const std::function<MaintenanceOutcome()>& operation,
                                      const QString& description) {
    MaintenanceOutcome outcome;
    RunModalWork(window, [&] { outcome = operation(); }, description);
    return outcome;
}

void PlaceFormAndButtons(QDialog& dialog, QGridLayout* grid, QPushButton* ok, QPushButton* cancel,
                         int minimumWidth) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    dialog.setMinimumWidth(minimumWidth);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

}  // namespace ostrand
