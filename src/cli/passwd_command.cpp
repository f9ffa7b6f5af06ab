// ostrand-cli passwd --ip IP --port PORT | --target IP:PORT ... [--version TEXT] OLD NEW

#include "cli/commands.h"
#include "cli/maintenance_cli.h"
#include "ops/maintenance/password.h"

namespace ostrand::cli {

void AddPasswdCommand(CLI::App& app, CliAction& action) {
    struct Options {
        DeviceOptions device;
        std::string version;
        std::string oldPassword;
        std::string newPassword;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "passwd", "change device passwords (ModifyPasswd; sent as salted MD5 unless --version says plain)");
    AddDeviceOptions(*command, options->device, true);
    command->add_option("--version", options->version,
                        "the device's version text as the list shows it; it chooses plain or hashed (default)");
    command->add_option("OLD", options->oldPassword, "the current password (UTF-8)")->required();
    command->add_option("NEW", options->newPassword, "the new password, also sent as the repeated one")->required();
    command->callback([options, command, &action] {
        CheckDeviceOptions(*command, options->device);
        action = [options](const CliSettings& settings) {
            for (const std::string* password : {&options->oldPassword, &options->newPassword}) {
                if (Utf8CharacterCount(*password) > kMaxPasswordChars) {
                    return RefuseInput(settings, "密码最多32个字符，未发送");
                }
            }
            const auto oldPassword = DeviceText(options->oldPassword, "old password");
            const auto newPassword = DeviceText(options->newPassword, "new password");
            const auto version = DeviceText(options->version, "version text");
            if (!oldPassword || !newPassword || !version) {
                return RefuseInput(settings, "密码或版本号含有GBK无法表示的字符，未发送");
            }
            const PasswordMode mode = PasswordModeForVersion(*version);
            return RunMaintenance(settings, options->device, [&](CommandTarget& target) {
                return ChangePassword(target, mode, *oldPassword, *newPassword, *newPassword);
            });
        };
    });
}

}  // namespace ostrand::cli
