#include "ui/maintenance/log_download_flow.h"

#include <QFileDialog>

#include <filesystem>
#include <mutex>

#include "ops/maintenance/log_download.h"
#include "ui/maintenance/maintenance_widgets.h"

namespace ostrand {
namespace {

SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}

// A save dialog with an overwrite prompt, no default suffix and no initial
// name; Qt leaves the process's current folder alone.
QString AskWithFileDialog(QWidget* parent, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

}  // namespace

void SetLogSaveChooser(SaveFileChooser chooser) { Chooser() = std::move(chooser); }

void RunLogDownload(QWidget* parent, const CommandArgs& args) {
    const QString filter = QString::fromLatin1(kLogSaveFilter);
    const QString chosen = Chooser() ? Chooser()(parent, filter) : AskWithFileDialog(parent, filter);
    if (chosen.isEmpty()) return;
    const std::filesystem::path path = WithLogArchiveEnding(std::filesystem::path(chosen.toStdString()));
    CommandTarget target(args.ip, args.port);
    ShowOutcome(RunMaintenanceWork(parent, [&] { return DownloadDeviceLog(target, path); }));
}

}  // namespace ostrand
