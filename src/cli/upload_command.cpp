// ostrand-cli upload --ip IP --port PORT FILE [--remote NAME] [--image]
// ostrand-cli upload --tcp --update-type T --ip IP --port PORT FILE

#include "cli/commands.h"
#include "cli/file_outcome.h"
#include "transport/file_channel.h"

namespace ostrand::cli {

void AddUploadCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::string file;
        std::string remote;
        bool image = false;
        bool tcp = false;
        std::string updateType;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "upload", "upload a file (HTTP formUploadFile / formUploadImage, or TCP header and packets)");
    AddTargetOptions(*command, options->target);
    command->add_option("FILE", options->file, "local file to send")
        ->required()
        ->check(CLI::ExistingFile);
    auto* remote = command->add_option("--remote", options->remote,
                                       "file name on the device (default: FILE's name)");
    auto* image = command->add_flag("--image", options->image,
                                     "send as tagged image chunks (formUploadImage)");
    auto* tcp = command->add_flag("--tcp", options->tcp,
                                  "announce with command 5012 and send packets on the TCP channel");
    auto* updateType = command->add_option("--update-type", options->updateType,
                                           "\"updatetype\" of the TCP upload header");
    tcp->excludes(image)->excludes(remote)->needs(updateType);
    updateType->needs(tcp);
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const std::filesystem::path path(options->file);
            if (options->tcp) {
                auto type = DeviceText(options->updateType, "update type");
                if (!type) return kUsageExitStatus;
                DeviceEndpoint endpoint{options->target.ip,
                                        static_cast<std::uint16_t>(options->target.port)};
                UploadResult result = SendUploadHeader(endpoint, path, *type);
                if (result == kUploadOk) result = SendUploadPackets(endpoint, path);
                const std::string text =
                    result == kUploadOk ? TransportResultText(kTransportOk) : UploadResultText(result);
                return PrintFileOutcome(settings, result == kUploadOk, result, text, path, text);
            }
            auto remoteName = DeviceText(
                options->remote.empty() ? path.filename().string() : options->remote, "remote name");
            if (!remoteName) return kUsageExitStatus;
            const bool ok = options->image
                                ? UploadImageHttp(options->target.ip, options->target.port, path, *remoteName)
                                : UploadFileHttp(options->target.ip, options->target.port, path, *remoteName);
            return PrintFileOutcome(settings, ok, kUploadRefused, UploadResultText(kUploadRefused),
                                    path, TransportResultText(kTransportOk));
        };
    });
}

}  // namespace ostrand::cli
