#pragma once
// The log download of the main window: the save dialog, the ".tar.gz"
// ending, the transfer off the GUI thread and the final message. The save
// dialog can be replaced (tests answer it without a window).

#include <QString>

#include <functional>
#include <memory>

#include "ops/shell/main_commands.h"

class QFileDialog;
class QWidget;

namespace ostrand {

// Returns the chosen path, or an empty text for Cancel.
using SaveFileChooser = std::function<QString(QWidget* parent, const QString& filter)>;

// The save dialog's filters.
inline constexpr const char* kLogSaveFilter = "Map Files (*.tar.gz);;MapCfg Files(*.mapCfg)";

// The save dialog: overwrite prompt, no default suffix, no initial name; the
// process's current folder is left alone.
std::unique_ptr<QFileDialog> MakeLogSaveDialog(QWidget* parent, const QString& filter);

// Installs a chooser in place of the file dialog; an empty one restores it.
void SetLogSaveChooser(SaveFileChooser chooser);

void RunLogDownload(QWidget* parent, const CommandArgs& args);

}  // namespace ostrand
