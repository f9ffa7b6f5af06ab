#include "app/costrand_app.h"

#include "ops/shell/captions.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"

namespace ostrand {

int CostrandApp::Run() {
    ScopedMessageSink sink(messages_);
    const std::string logFolder = ProgramFileFolders().log;
    if (!OpenLogFile(logFolder.empty() ? "Log.txt" : logFolder + "/Log.txt")) {
        ShowMessage("log.txt打开失败", "错误");
        return kExitLogFailed;
    }
    {
        CostrandDlg dialog(discovery_);
        if (language_) dialog.SetLanguage(*language_);
        // A command whose gates passed opens its dialog over the main window.
        QObject::connect(&dialog, &CostrandDlg::CommandPassedGates, &dialog,
                         [&dialog](CommandId id, const CommandArgs& args) {
                             AllDialogRoutes().Open(id, &dialog, args);
                         });
        dialog.exec();
    }
    return kExitAfterMainWindow;
}

AppOptions ParseAppOptions(const std::vector<std::string>& arguments) {
    AppOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--english") {
            options.language = Language::English;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--language" || argument.starts_with("--language=")) {
            std::string value;
            if (argument == "--language") {
                if (i + 1 >= arguments.size()) {
                    options.error = "--language needs a value: zh or en";
                    return options;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(std::string_view("--language=").size());
            }
            options.language = LanguageForSettingText(value);
            if (!options.language) {
                options.error = "--language takes zh or en, not \"" + value + "\"";
                return options;
            }
        } else {
            // Qt has taken its own options (-platform, -style ...) already; any
            // other argument is ignored, as the program always did.
            options.ignored.push_back(argument);
        }
    }
    return options;
}

const char* AppUsageText() {
    return "usage: ostrand [--english | --language zh|en] [--version]\n"
           "  --english          English interface\n"
           "  --language zh|en   interface language (overrides Language= of the settings file)\n"
           "  --version          print the version and exit\n";
}

}  // namespace ostrand
