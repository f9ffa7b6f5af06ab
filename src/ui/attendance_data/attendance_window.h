#pragma once
// What the two attendance windows share: the swallowed Enter and Escape keys
// (they close only through their close box), the save dialog of the exports
// (replaceable, so tests answer it without a window) and the export run off
// the GUI thread.

#include <QDialog>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>

#include "ops/attendance_data/attend_export.h"

namespace ostrand {

// Returns the chosen path, or an empty text for Cancel.
using ExportFileChooser = std::function<QString(QWidget* parent, const QString& filter)>;

// The save dialog's filters: the exports write ".xls" workbooks.
inline constexpr const char* kExportFilter = "Map Files (*.xls);;MapCfg Files(*.mapCfg)";

// Installs a chooser in place of the save dialog; an empty one restores it.
void SetExportFileChooser(ExportFileChooser chooser);

class AttendanceWindow : public QDialog {
public:
    AttendanceWindow(const QString& title, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;

    // Asks for the export's path and runs `exportTo` on it off the GUI
    // thread; nothing when the dialog is cancelled.
    void RunExport(const std::function<void(const std::filesystem::path&)>& exportTo);
};

}  // namespace ostrand
