// ostrand-cli: device commands, transfers and exports from scripts. Arguments
// and output are UTF-8; device text travels in GBK.

#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/commands.h"
#include "cli/output_printer.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "platform/profile.h"
#include "transport/transport_settings.h"

namespace {

// The subcommands, in the order --help lists them.
constexpr ostrand::cli::CommandAdder kCommands[] = {
    ostrand::cli::AddGetCommand,
    ostrand::cli::AddPostCommand,
    ostrand::cli::AddXmlCommand,
    ostrand::cli::AddFlatCommand,
    ostrand::cli::AddExportCommand,
    ostrand::cli::AddDownloadCommand,
    ostrand::cli::AddUploadCommand,
    ostrand::cli::AddScanCommand,
    ostrand::cli::AddRebootCommand,
    ostrand::cli::AddSyncTimeCommand,
    ostrand::cli::AddRenameCommand,
    ostrand::cli::AddSetIdCommand,
    ostrand::cli::AddPasswdCommand,
    ostrand::cli::AddLogCommand,
    ostrand::cli::AddNetparamCommand,
    ostrand::cli::AddNtpCommand,
    ostrand::cli::AddSerialCommand,
    ostrand::cli::AddSwitchesCommand,
    ostrand::cli::AddAttendanceCommands,
    ostrand::cli::AddTemperaCommand,
    ostrand::cli::AddSpeakersCommand,
    ostrand::cli::AddAmpsCommand,
    ostrand::cli::AddUpgradeCommand,
    ostrand::cli::AddAttendanceDataCommand,
    ostrand::cli::AddCameraCommand,
    ostrand::cli::AddPtzCommand,
};

// The settings file of the desktop tool, read from the working directory as
// the tool itself reads it.
constexpr const char* kToolSettingsFile = "ostrand.ini";

constexpr const char* kSettingsHelp =
    "Settings (\"ConnTimeout\", \"SimpleScan\", \"ScanTimeOut\", ...) are read from --settings FILE, or "
    "else from ostrand.ini where there is one: in the working directory, or for an installed copy in "
    "~/.config/ostrand/ ($XDG_CONFIG_HOME); options override them. "
    "No file is written unless --write-defaults is given.\n";

// The deepest subcommand the command line chose.
const CLI::App* ChosenCommand(const CLI::App& app) {
    const CLI::App* command = &app;
    for (;;) {
        const auto chosen = command->get_subcommands();
        if (chosen.empty()) return command;
        command = chosen.front();
    }
}

// With --json, standard output holds one document even when no device was reached.
void PrintJsonFailure(int status, const std::string& what) {
    ostrand::cli::OutputPrinter({true, true, false}, {}, std::cout, std::cerr).PrintFailure(status, what);
}

// What was wrong, then the usage of the subcommand it was given to.
void PrintUsageError(const CLI::App& app, const std::string& what, bool json) {
    if (json) PrintJsonFailure(ostrand::cli::kUsageExitStatus, what);
    std::cerr << "ostrand-cli: " << what << "\n\n";
    const CLI::App* command = ChosenCommand(app);
    if (command == &app) {
        std::cerr << "Run ostrand-cli --help for the subcommands.\n";
        return;
    }
    // The help of a subcommand names only itself ("Usage: set ..."): say whose it is.
    std::string path;
    for (const CLI::App* part = command; part != nullptr && part != &app; part = part->get_parent()) {
        path = part->get_name() + (path.empty() ? "" : " " + path);
    }
    // The footer (settings, escaping, the exit table) belongs to --help, not to a mistake.
    const_cast<CLI::App*>(command)->footer("");
    std::cerr << "ostrand-cli " << path << ":\n" << command->help();
}

}  // namespace

int main(int argc, char** argv) {
    ostrand::StderrMessageSink stderrSink;
    ostrand::SetMessageSink(&stderrSink);

    CLI::App app{"ostrand-cli: commands and file transfers for cameras and attendance terminals"};
    app.set_version_flag("--version", "ostrand-cli " + ostrand::FileVersionText(), "print the version and exit");
    app.require_subcommand(1);
    app.fallthrough();
    ostrand::cli::CliSettings settings;
    app.add_flag("--json", settings.json,
                 "print one JSON document: an object per device {\"ip\", \"port\", \"succeeded\", \"result\", "
                 "\"sent\", \"text\", \"messages\", \"values\"[, \"rows\"]}, in {\"devices\": [...]} for several");
    bool noHeader = false;
    app.add_flag("--no-header", noHeader, "leave the header line of a list out of plain output");
    bool noUpgradeCheck = false;
    app.add_flag("--no-upgrade-check", noUpgradeCheck,
                 "do not ask devices \"getUpdateKernelStatus\" before changing them (several devices)");
    std::string language = "zh";
    app.add_option("--language", language, "language of the tool's texts where they have two: zh (default) or en")
        ->check(CLI::IsMember({"zh", "en"}));
    bool english = false;
    app.add_flag("--english", english, "the same as --language en");
    std::string settingsFile;
    bool writeDefaults = false;
    std::optional<int> connectTimeout;
    app.add_option("--settings", settingsFile, "settings file to read (default: ostrand.ini where it exists: the working directory, or "
                   "~/.config/ostrand/ for an installed copy)")
        ->check(CLI::ExistingFile);
    app.add_flag("--write-defaults", writeDefaults,
                 "write settings missing from the settings file back with their defaults, as the tool does");
    app.add_option("--connect-timeout", connectTimeout,
                   "TCP connect wait in seconds (default: \"ConnTimeout\", 3)")
        ->check(CLI::Range(0, 3600));
    app.footer(std::string(kSettingsHelp) +
               "Device texts are printed in UTF-8; in plain output control characters are escaped "
               "(\\n, \\r, \\t, \\\\, \\xHH), so one value is one field of one line.\n" +
               ostrand::cli::ExitStatusHelp());

    ostrand::cli::CliAction action;
    for (ostrand::cli::CommandAdder add : kCommands) add(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help ends here with 0; every other parse error is a usage error.
        if (e.get_exit_code() == 0) {
            const int status = app.exit(e);
            ostrand::SetMessageSink(nullptr);
            return status;
        }
        PrintUsageError(app, e.what(), settings.json);
        ostrand::SetMessageSink(nullptr);
        return ostrand::cli::kUsageExitStatus;
    } catch (const ostrand::cli::UsageError& e) {
        PrintUsageError(app, e.what(), settings.json);
        ostrand::SetMessageSink(nullptr);
        return ostrand::cli::kUsageExitStatus;
    }
    settings.header = !noHeader;
    settings.upgradeCheck = !noUpgradeCheck;
    ostrand::SetUiLanguage(english || language == "en" ? ostrand::Language::English : ostrand::Language::Chinese);
    // A file named on the command line is where the user said, from the working
    // folder; the tool's own file is where the program keeps its settings.
    ostrand::UseSettingsFile(settingsFile.empty() ? kToolSettingsFile
                                                  : std::filesystem::absolute(settingsFile).string());
    ostrand::SetProfileWriteBack(writeDefaults);
    ostrand::SetConnectTimeoutSeconds(connectTimeout ? *connectTimeout : ostrand::ReadIniInt(3, "ConnTimeout"));
    ostrand::LoadTransportSettings();
    int status = 0;
    if (action) {
        try {
            status = action(settings);
        } catch (const ostrand::cli::UsageError& e) {
            PrintUsageError(app, e.what(), settings.json);
            status = ostrand::cli::kUsageExitStatus;
        } catch (const std::exception& e) {
            std::cerr << "ostrand-cli: " << e.what() << "\n";
            status = ostrand::cli::kFailedExitStatus;
            if (settings.json) PrintJsonFailure(status, e.what());
        }
    }
    ostrand::SetMessageSink(nullptr);
    return status;
}
