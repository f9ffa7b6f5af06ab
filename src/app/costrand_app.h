#pragma once
// The application object: opens the diagnostic log, installs the message sink
// and runs the main window; when the window closes the process ends.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "discovery/discovery_config.h"
#include "platform/app_state.h"
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

    // The interface language the command line chose; it overrides the
    // settings file's for this run.
    void SetLanguage(std::optional<Language> language) { language_ = language; }

    // Needs a QApplication. Returns the process exit status.
    int Run();

private:
    MessageSink& messages_;
    DiscoveryConfig discovery_;
    std::optional<Language> language_;
};

// The program's command line: "--english", or "--language zh|en".
struct AppOptions {
    std::optional<Language> language;
    std::string error;  // not empty: the command line cannot be used, and why
    std::vector<std::string> ignored;  // arguments the program does not know
    bool help = false;
    bool version = false;
};
// `arguments` without the program name.
AppOptions ParseAppOptions(const std::vector<std::string>& arguments);
// The usage text "--help" prints.
const char* AppUsageText();

}  // namespace ostrand
