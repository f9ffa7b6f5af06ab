// ostrand-cli upload DEVICES FILE [--remote NAME] [--image]
// ostrand-cli upload --tcp --update-type T DEVICES FILE

#include "cli/commands.h"
#include "cli/device_run.h"
#include "cli/device_files.h"
#include "transport/failure_note.h"
#include "transport/file_channel.h"

namespace ostrand::cli {
namespace {

// Only a regular file has a size to announce and an end: a device node or a
// pipe would be read without bound. Throws UsageError naming the path.
void RequireRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) throw UsageError("FILE \"" + path.string() + "\" does not exist");
    if (!std::filesystem::is_regular_file(status)) {
        throw UsageError("FILE \"" + path.string() + "\" is not a regular file; only regular files are uploaded");
    }
}

}  // namespace

void AddUploadCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string file;
        std::string remote;
        bool image = false;
        bool tcp = false;
        std::string updateType;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "upload", "upload a file (HTTP formUploadFile / formUploadImage, or TCP header and packets)");
    command->add_option("FILE", options->file, "local regular file to send")->required();
    auto* remote = command->add_option("--remote", options->remote, "file name on the device (default: FILE's name)");
    auto* image = command->add_flag("--image", options->image, "send as tagged image chunks (formUploadImage)");
    auto* tcp =
        command->add_flag("--tcp", options->tcp, "announce with command 5012 and send packets on the TCP channel");
    auto* updateType =
        command->add_option("--update-type", options->updateType, "\"updatetype\" of the TCP upload header");
    tcp->excludes(image)->excludes(remote)->needs(updateType);
    updateType->needs(tcp);
    DeviceCommand(*command, action, ChangesDevice(), [options](const CliSettings&) -> DeviceJob {
        const std::filesystem::path path(options->file);
        RequireRegularFile(path);
        if (options->tcp) {
            return [path, type = GbkArgument(options->updateType, "update type")](const FleetTarget& device) {
                DeviceEndpoint endpoint = EndpointOf(device);
                UploadResult result = SendUploadHeader(endpoint, path, type);
                if (result == kUploadOk) result = SendUploadPackets(endpoint, path);
                if (result == kUploadOk) return FileReport(path);
                return DeviceReport::Failure(result, UploadResultText(result));
            };
        }
        const std::string remoteName =
            GbkArgument(options->remote.empty() ? path.filename().string() : options->remote, "remote name");
        return [path, remoteName, image = options->image](const FleetTarget& device) {
            TransportFailureWatch failures;
            const bool ok = image ? UploadImageHttp(device.ip, device.port, path, remoteName)
                                  : UploadFileHttp(device.ip, device.port, path, remoteName);
            if (ok) return FileReport(path);
            // The channel refuses a remote name it cannot put in the request, before sending.
            const UploadResult result =
                failures.Last() == kTransportBadParameter ? kUploadBadParameter : kUploadRefused;
            return DeviceReport::Failure(result, UploadResultText(result));
        };
    });
}

}  // namespace ostrand::cli
