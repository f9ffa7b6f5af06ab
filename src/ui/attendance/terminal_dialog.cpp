#include "ui/attendance/terminal_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {

TerminalDialog::TerminalDialog(const DeviceEndpoint& endpoint, const QString& title, QWidget* parent)
    : QDialog(parent), endpoint_(endpoint) {
    setWindowTitle(title);
}

QString TerminalDialog::BusyText(Busy busy) const {
    return busy == Busy::Reading ? BusyDescription("正在读取 %1 的参数", "Reading the settings of %1", endpoint_.ip)
                                 : BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", endpoint_.ip);
}

void TerminalDialog::showEvent(QShowEvent* event) {
    // Before the dialog picks a default of its own (the first button in Tab
    // order, which may be a get or a modify).
    if (auto* ok = Find<QPushButton>(1); ok != nullptr && !ok->isDefault()) ok->setDefault(true);
    QDialog::showEvent(event);
}

void TerminalDialog::Show(const TerminalOutcome& outcome) {
    for (const std::string& message : outcome.messages) ShowMessage(message);
}

std::optional<std::string> TerminalDialog::Typed(const QLineEdit* edit) {
    const QByteArray utf8 = edit->text().toUtf8();
    auto gbk = Utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    if (!gbk) ShowMessage("输入的内容含有无法发送的字符，请重新输入");
    return gbk;
}

QString DeviceQString(const std::string& gbk) {
    return QString::fromStdString(GbkToUtf8Lossy(gbk));
}

DeviceEndpoint EndpointOf(const CommandArgs& args) {
    return {args.ip, static_cast<std::uint16_t>(args.port)};
}

}  // namespace ostrand
