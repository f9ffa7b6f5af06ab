#pragma once
// Small pieces the maintenance dialogs share: typed text to device text with
// a refusal the user sees, and the operation's messages shown in order.

#include <QString>

#include <functional>
#include <optional>
#include <string>

#include "ops/maintenance/maintenance_outcome.h"
#include "ui/shell/progress_dlg.h"

class QDialog;
class QGridLayout;
class QPushButton;
class QWidget;

namespace ostrand {

// The edit's text in GBK; nullopt after a message naming `what` when GBK
// cannot hold it.
std::optional<std::string> TypedDeviceText(const QString& text, const char* whatChinese, const char* whatEnglish);

// Shows every message of the outcome through the message sink.
void ShowOutcome(const MaintenanceOutcome& outcome);

// Runs `operation` off the GUI thread while `window` takes no input.
// `description` names what is done with which device (BusyDescription).
MaintenanceOutcome RunMaintenanceWork(QWidget* window, const std::function<MaintenanceOutcome()>& operation,
                                      const QString& description);

// The small edit dialogs' shape: the field grid above OK and Cancel at the
// right; Cancel rejects the dialog (OK is connected by the dialog itself).
void PlaceFormAndButtons(QDialog& dialog, QGridLayout* grid, QPushButton* ok, QPushButton* cancel,
                         int minimumWidth);

}  // namespace ostrand
