#include "ui/maintenance/log_download_flow.h"

#include <QFileDialog>

#include <filesystem>
#include <memory>

#include "ops/maintenance/log_download.h"
#include "ui/maintenance/maintenance_widgets.h"

namespace ostrand {
namespace {

SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}

QString AskWithFileDialog(QWidget* parent, const QString& filter) {
    const std::unique_ptr<QFileDialog> dialog = MakeLogSaveDialog(parent, filter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    return dialog->selectedFiles().front();
}

}  // namespace

std::unique_ptr<QFileDialog> MakeLogSaveDialog(QWidget* parent, const QString& filter) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

void SetLogSaveChooser(SaveFileChooser chooser) { Chooser() = std::move(chooser); }

void RunLogDownload(QWidget* parent, const CommandArgs& args) {
    const QString filter = QString::fromLatin1(kLogSaveFilter);
    const QString chosen = Chooser() ? Chooser()(parent, filter) : AskWithFileDialog(parent, filter);
    if (chosen.isEmpty()) return;
    const std::filesystem::path path = WithLogArchiveEnding(std::filesystem::path(chosen.toStdString()));
    CommandTarget target(args.ip, args.port);
    ShowOutcome(RunMaintenanceWork(parent, [&] { return DownloadDeviceLog(target, path); },
                                   BusyDescription("正在下载 %1 的日志", "Downloading the log of %1", args.ip)));
}

}  // namespace ostrand
