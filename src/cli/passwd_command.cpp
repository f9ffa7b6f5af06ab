// ostrand-cli passwd DEVICES [--version TEXT] OLD NEW

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/maintenance/password.h"
#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand::cli {

void AddPasswdCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string version;
        std::string oldPassword;
        std::string newPassword;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "passwd", "change device passwords (ModifyPasswd; sent as salted MD5 unless the version says plain)");
    auto* version = command->add_option(
        "--version", options->version,
        "the device's version text as the list shows it; it chooses plain or hashed (default: the version of "
        "each --targets-from row, else hashed)");
    command->add_option("OLD", options->oldPassword, "the current password (UTF-8)")->required();
    command->add_option("NEW", options->newPassword, "the new password, also sent as the repeated one")->required();
    DeviceCommand(*command, action, ChangesDevice(), [options, version](const CliSettings&) -> DeviceJob {
        const std::string oldPassword = GbkArgument(options->oldPassword, "old password");
        const std::string newPassword = GbkArgument(options->newPassword, "new password");
        std::optional<PasswordMode> givenMode;
        if (version->count() > 0) givenMode = PasswordModeForVersion(GbkArgument(options->version, "version text"));
        // The password edits take no more characters than this.
        const bool tooLong = Utf8CharacterCount(options->oldPassword) > kMaxPasswordChars ||
                             Utf8CharacterCount(options->newPassword) > kMaxPasswordChars;
        return [oldPassword, newPassword, givenMode, tooLong](const FleetTarget& device) {
            if (tooLong) {
                return DeviceReport::Failure(kBadValueExitStatus,
                                             Tr("密码最多32个字符，未发送", "A password holds at most 32 characters; "
                                                                            "nothing was sent"));
            }
            const PasswordMode mode =
                givenMode ? *givenMode : PasswordModeForVersion(Utf8ToGbkLossy(device.version));
            CommandTarget target(device.ip, device.port);
            return ReportOf(ChangePassword(target, mode, oldPassword, newPassword, newPassword));
        };
    });
}

}  // namespace ostrand::cli
