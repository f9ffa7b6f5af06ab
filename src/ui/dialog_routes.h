#pragma once
// Which dialog a main-window command opens once its gates have passed. Each
// subsystem adds its own dialogs in a file of its folder; the main window only
// hands the command and the selected row's values over.

#include <QWidget>

#include <functional>
#include <map>

#include "ops/shell/main_commands.h"

namespace ostrand {

// Opens the command's dialog (modal) or runs its action for `args`' device.
using DialogOpener = std::function<void(QWidget* parent, const CommandArgs& args)>;

class DialogRoutes {
public:
    void Add(CommandId id, DialogOpener opener);
    bool Has(CommandId id) const;
    // Runs the command's opener; false when no dialog belongs to it yet.
    bool Open(CommandId id, QWidget* parent, const CommandArgs& args) const;

private:
    std::map<CommandId, DialogOpener> openers_;
};

// Every subsystem's dialogs.
const DialogRoutes& AllDialogRoutes();

// One per subsystem, each in ui/<subsystem>/<subsystem>_dialogs.cpp.
void AddMaintenanceDialogs(DialogRoutes& routes);
void AddNetworkDialogs(DialogRoutes& routes);
void AddUpgradeDialogs(DialogRoutes& routes);
void AddAttendanceDialogs(DialogRoutes& routes);
void AddPeripheralDialogs(DialogRoutes& routes);
void AddVideoDialogs(DialogRoutes& routes);
void AddAttendanceDataDialogs(DialogRoutes& routes);

}  // namespace ostrand
