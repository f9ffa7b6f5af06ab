#pragma once
// The file dialog the upgrade commands open first. Replaceable, so tests
// choose a file without a dialog.

#include <QString>

#include <functional>

class QWidget;

namespace ostrand {

// Returns the chosen file's full path, or an empty text when cancelled.
using UpgradeFileChooser = std::function<QString(QWidget* parent)>;

// Installs a chooser (an empty function restores the file dialog).
void SetUpgradeFileChooser(UpgradeFileChooser chooser);
QString ChooseUpgradeFile(QWidget* parent);

}  // namespace ostrand
