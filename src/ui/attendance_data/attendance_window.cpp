#include "ui/attendance_data/attendance_window.h"

#include <QFileDialog>
#include <QKeyEvent>

#include <memory>

#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

ExportFileChooser& Chooser() {
    static ExportFileChooser chooser;
    return chooser;
}

// Overwrite prompt, no default suffix, no initial name; the process's
// current folder is left alone.
QString AskWithFileDialog(QWidget* parent, const QString& filter) {
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace

void SetExportFileChooser(ExportFileChooser chooser) { Chooser() = std::move(chooser); }

AttendanceWindow::AttendanceWindow(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
}

void AttendanceWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void AttendanceWindow::RunExport(const std::function<void(const std::filesystem::path&)>& exportTo) {
    const QString filter = QString::fromLatin1(kExportFilter);
    const QString chosen = Chooser() ? Chooser()(this, filter) : AskWithFileDialog(this, filter);
    if (chosen.isEmpty()) return;
    const std::filesystem::path path(chosen.toStdString());
    RunModalWork(this, [&] { exportTo(path); },
                 BusyDescription("正在导出到 %1", "Exporting to %1", path.filename().string()));
}

}  // namespace ostrand
