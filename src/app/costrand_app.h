#pragma once
// The application object: opens the diagnostic log, installs the message sink
// and runs the main window; when the window closes the process ends.

#include <utility>

#include "discovery/discovery_config.h"
#include "platform/message_sink.h"

namespace ostrand {

class CostrandApp {
public:
    // Exit status after the main window closed.
    static constexpr int kExitAfterMainWindow = 1;
    // Exit status when the log could not be opened and no window was shown.
    static constexpr int kExitLogFailed = 2;

    // `messages` shows every message of the run; the caller keeps ownership.
    // `discovery` says where the main window's Search binds and sends; the
    // program passes the defaults, tests aim it at loopback.
    CostrandApp(MessageSink& messages, DiscoveryConfig discovery)
        : messages_(messages), discovery_(std::move(discovery)) {}

    // Needs a QApplication. Returns the process exit status.
    int Run();

private:
    MessageSink& messages_;
    DiscoveryConfig discovery_;
};

}  // namespace ostrand
