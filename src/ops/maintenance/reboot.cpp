#include "ops/maintenance/reboot.h"

#include "platform/app_state.h"

namespace ostrand {

MaintenanceOutcome RebootDevice(CommandTarget& target) {
    MaintenanceOutcome outcome;
    outcome.sent = true;
    if (!PostFormNoReply(target, "httpRestart")) {
        // The channel has shown why; nothing more is shown.
        outcome.result = kTransportFailed;
        outcome.text = TransportResultText(kTransportFailed);
        return outcome;
    }
    outcome.succeeded = true;
    outcome.Show(Tr("设备重启中，大概在一分钟以内将连接上", "Rebooting ,Please waiting.."));
    return outcome;
}

}  // namespace ostrand
