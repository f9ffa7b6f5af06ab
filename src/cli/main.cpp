// ostrand-cli: device commands, transfers and exports from scripts. Arguments
// and output are UTF-8; device text travels in GBK.

#include <iostream>
#include <optional>

#include "cli/commands.h"
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
    "else from ostrand.ini in the working directory where there is one; options override them. "
    "No file is written unless --write-defaults is given.\n";

}  // namespace

int main(int argc, char** argv) {
    ostrand::StderrMessageSink stderrSink;
    ostrand::SetMessageSink(&stderrSink);

    CLI::App app{"ostrand-cli: commands and file transfers for cameras and attendance terminals"};
    app.require_subcommand(1);
    app.fallthrough();
    ostrand::cli::CliSettings settings;
    app.add_flag("--json", settings.json,
                 "print one JSON object {\"result\": N, \"text\": \"...\", \"reply\": {...}}");
    std::string settingsFile;
    bool writeDefaults = false;
    std::optional<int> connectTimeout;
    app.add_option("--settings", settingsFile, "settings file to read (default: ./ostrand.ini where it exists)")
        ->check(CLI::ExistingFile);
    app.add_flag("--write-defaults", writeDefaults,
                 "write settings missing from the settings file back with their defaults, as the tool does");
    app.add_option("--connect-timeout", connectTimeout,
                   "TCP connect wait in seconds (default: \"ConnTimeout\", 3)")
        ->check(CLI::Range(0, 3600));
    app.footer(std::string(kSettingsHelp) +
               "Device texts are printed in UTF-8; in plain output control characters are escaped "
               "(\\n, \\r, \\t, \\\\, \\xHH), so one value is one field of one line.\n" +
               ostrand::cli::kExitStatusHelp);

    ostrand::cli::CliAction action;
    for (ostrand::cli::CommandAdder add : kCommands) add(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here with 0; every other parse error is a usage error.
        const int status = app.exit(e);
        ostrand::SetMessageSink(nullptr);
        return status == 0 ? 0 : ostrand::cli::kUsageExitStatus;
    }
    ostrand::UseSettingsFile(settingsFile.empty() ? kToolSettingsFile : settingsFile);
    ostrand::SetProfileWriteBack(writeDefaults);
    ostrand::SetConnectTimeoutSeconds(connectTimeout ? *connectTimeout : ostrand::ReadIniInt(3, "ConnTimeout"));
    ostrand::LoadTransportSettings();
    int status = 0;
    if (action) {
        try {
            status = action(settings);
        } catch (const std::exception& e) {
            std::cerr << "ostrand-cli: " << e.what() << "\n";
            status = 10;
        }
    }
    ostrand::SetMessageSink(nullptr);
    return status;
}
