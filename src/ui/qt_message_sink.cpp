#include "ui/qt_message_sink.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/shell/gui_call.h"

namespace ostrand {
namespace {

QString Caption(std::string_view caption) {
    if (caption.empty()) return QCoreApplication::applicationName();
    return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The box belongs to the window the user is looking at, so it stays on top of it.
QWidget* Owner() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

}  // namespace

QtMessageSink::QtMessageSink(QObject* parent) : QObject(parent) {}

template <typename Function>
void QtMessageSink::RunOnGuiThread(Function&& function) {
    // A box the GUI thread no longer serves (the program is ending) is not
    // shown: a message is dropped and a question answered No.
    CallOnGuiThread(this, std::forward<Function>(function));
}

void QtMessageSink::ShowMessage(std::string_view text, std::string_view caption) {
    RunOnGuiThread([&] {
        QMessageBox box(QMessageBox::Information, Caption(caption), Text(text), QMessageBox::Ok, Owner());
        box.exec();
    });
}

bool QtMessageSink::AskYesNo(std::string_view text, std::string_view caption) {
    bool yes = false;
    RunOnGuiThread([&] {
        QMessageBox box(QMessageBox::Question, Caption(caption), Text(text),
                        QMessageBox::Yes | QMessageBox::No, Owner());
        box.setDefaultButton(QMessageBox::Yes);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

}  // namespace ostrand
