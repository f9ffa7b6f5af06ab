#include "ui/dialog_routes.h"

namespace ostrand {

void DialogRoutes::Add(CommandId id, DialogOpener opener) { openers_[id] = std::move(opener); }

bool DialogRoutes::Has(CommandId id) const { return openers_.contains(id); }

bool DialogRoutes::Open(CommandId id, QWidget* parent, const CommandArgs& args) const {
    const auto it = openers_.find(id);
    if (it == openers_.end()) return false;
    it->second(parent, args);
    return true;
}

const DialogRoutes& AllDialogRoutes() {
    static const DialogRoutes routes = [] {
        DialogRoutes built;
        AddMaintenanceDialogs(built);
        AddNetworkDialogs(built);
        AddUpgradeDialogs(built);
        AddAttendanceDialogs(built);
        AddPeripheralDialogs(built);
        AddVideoDialogs(built);
        AddAttendanceDataDialogs(built);
        return built;
    }();
    return routes;
}

}  // namespace ostrand
