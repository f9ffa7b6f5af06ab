#pragma once
// The subcommands of ostrand-cli, one file each. A new subcommand adds its file
// (named *_command.cpp) and one line to the list in main.cpp.

#include "cli/cli_common.h"

namespace ostrand::cli {

void AddGetCommand(CLI::App& app, CliAction& action);
void AddPostCommand(CLI::App& app, CliAction& action);
void AddXmlCommand(CLI::App& app, CliAction& action);
void AddFlatCommand(CLI::App& app, CliAction& action);
void AddExportCommand(CLI::App& app, CliAction& action);
void AddDownloadCommand(CLI::App& app, CliAction& action);
void AddUploadCommand(CLI::App& app, CliAction& action);
void AddScanCommand(CLI::App& app, CliAction& action);
void AddRebootCommand(CLI::App& app, CliAction& action);
void AddSyncTimeCommand(CLI::App& app, CliAction& action);
void AddRenameCommand(CLI::App& app, CliAction& action);
void AddSetIdCommand(CLI::App& app, CliAction& action);
void AddPasswdCommand(CLI::App& app, CliAction& action);
void AddLogCommand(CLI::App& app, CliAction& action);
void AddNetparamCommand(CLI::App& app, CliAction& action);
void AddNtpCommand(CLI::App& app, CliAction& action);
void AddSerialCommand(CLI::App& app, CliAction& action);
void AddSwitchesCommand(CLI::App& app, CliAction& action);
void AddAttendanceCommands(CLI::App& app, CliAction& action);
void AddTemperaCommand(CLI::App& app, CliAction& action);
void AddSpeakersCommand(CLI::App& app, CliAction& action);
void AddAmpsCommand(CLI::App& app, CliAction& action);
void AddUpgradeCommand(CLI::App& app, CliAction& action);
void AddAttendanceDataCommand(CLI::App& app, CliAction& action);
void AddCameraCommand(CLI::App& app, CliAction& action);
void AddPtzCommand(CLI::App& app, CliAction& action);

// The report of one form command's reply (get, post): the reply's entries as
// values, the transport's text (with the HTTP layer's) on failure.
DeviceReport FormReply(TransportResult result, const std::string& detail, const ParamMap& reply);

}  // namespace ostrand::cli
