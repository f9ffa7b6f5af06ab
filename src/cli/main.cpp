// ostrand-cli: device commands, transfers and exports from scripts. Arguments
// and output are UTF-8; device text travels in GBK.

#include <iostream>

#include "cli/commands.h"
#include "platform/message_sink.h"

namespace {

// The subcommands, in the order --help lists them.
constexpr ostrand::cli::CommandAdder kCommands[] = {
    ostrand::cli::AddGetCommand,      ostrand::cli::AddPostCommand,
    ostrand::cli::AddXmlCommand,      ostrand::cli::AddFlatCommand,
    ostrand::cli::AddExportCommand,   ostrand::cli::AddDownloadCommand,
    ostrand::cli::AddUploadCommand,   ostrand::cli::AddScanCommand,
    ostrand::cli::AddCameraCommand,
    ostrand::cli::AddPtzCommand,
};

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
    app.footer(
        "Exit status: 0 on success; otherwise the transport result (1 no connection, 4 send "
        "failed, 5 receive failed, 8 reply not decodable, 9 bad parameter, 10 failed), the "
        "upload result for TCP uploads (1-7), 7 for a failed HTTP upload and 10 for a failed "
        "export or download. Device texts are printed in UTF-8.");

    ostrand::cli::CliAction action;
    for (ostrand::cli::CommandAdder add : kCommands) add(app, action);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        ostrand::SetMessageSink(nullptr);
        return status;
    }
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
