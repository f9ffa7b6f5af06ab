// ostrand-cli bind-ipc get|set, bind-qr get|set, visitors search|bind:
// the devices tied to an attendance terminal, with the dialogs' checks.

#include "cli/attendance_cli.h"
#include "ops/attendance/device_bindings.h"

namespace ostrand::cli {

namespace {

CliValues ChannelValues(const std::array<std::string, kBindChannelSlots>& channels) {
    CliValues values;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        values.emplace_back("channel" + std::to_string(i + 1), OutputText(channels[i]));
    }
    return values;
}

// bind-ipc (5039, with the terminal's own number) or bind-qr (5042).
void AddChannelBinding(CLI::App& app, CliAction& action, const char* name, CommandCode code) {
    struct Options {
        TargetOptions target;
        std::string ownNumber;
        std::vector<std::string> channels;
    };
    auto options = std::make_shared<Options>();
    const bool photoIpc = code == kBindPhotoIpcCode;
    CLI::App* command = app.add_subcommand(
        name, photoIpc ? "capture IPCs bound to a terminal's channels" : "gate sign-in QR codes of a terminal's channels");
    command->require_subcommand(1);
    CLI::App* get = command->add_subcommand("get", "print channel1..channel8");
    AddTargetOptions(*get, options->target);
    get->callback([options, code, &action] {
        action = [options, code](const CliSettings& settings) {
            const BindingsRead read = ReadBindings(EndpointOf(options->target), code);
            return PrintTerminalOutcome(settings, read.outcome, ChannelValues(read.channels));
        };
    });
    CLI::App* set = command->add_subcommand("set", "bind channels 1-4 (\"\" leaves a channel unbound)");
    AddTargetOptions(*set, options->target);
    if (photoIpc) {
        set->add_option("--own", options->ownNumber, "the terminal's own device number")->required();
    }
    set->add_option("CHANNEL", options->channels, "channels 1-4, in order")->required()->expected(1, kBindChannels);
    set->callback([options, code, &action] {
        action = [options, code](const CliSettings& settings) {
            ChannelBindings channels;
            for (std::size_t i = 0; i < options->channels.size(); ++i) {
                auto text = DeviceText(options->channels[i], "channel");
                if (!text) return kRefusedExitStatus;
                channels[i] = *text;
            }
            const auto own = DeviceText(options->ownNumber, "device number");
            if (!own) return kRefusedExitStatus;
            return PrintTerminalOutcome(settings, WriteBindings(EndpointOf(options->target), code, channels, *own));
        };
    });
}

void AddVisitors(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
        std::string version;
        std::vector<std::string> numbers;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand("visitors", "the visitor machines a terminal knows");
    command->require_subcommand(1);
    CLI::App* search = command->add_subcommand("search", "list them: NUMBER=bound|unbound|,IP");
    AddTargetOptions(*search, options->target);
    search->add_option("--version", options->version, "the terminal's version text (6.8.x, x > 232)")->required();
    search->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            const VisitorSearch result = SearchVisitors(EndpointOf(options->target), options->version);
            CliValues values;
            for (const VisitorRow& row : result.rows) {
                const char* state = !row.hasBinding ? "" : row.bound ? "已绑定" : "未绑定";
                values.emplace_back(OutputText(row.deviceNumber), std::string(state) + "," + OutputText(row.ip));
            }
            return PrintTerminalOutcome(settings, result.outcome, values);
        };
    });
    CLI::App* bind = command->add_subcommand("bind", "bind exactly the listed visitor machines");
    AddTargetOptions(*bind, options->target);
    bind->add_option("--version", options->version, "the terminal's version text")->required();
    bind->add_option("NUMBER", options->numbers, "device numbers to bind (none: unbind all)");
    bind->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            std::vector<std::string> numbers;
            for (const std::string& number : options->numbers) {
                auto text = DeviceText(number, "device number");
                if (!text) return kRefusedExitStatus;
                numbers.push_back(*text);
            }
            return PrintTerminalOutcome(settings,
                                        BindVisitors(EndpointOf(options->target), options->version, numbers));
        };
    });
}

}  // namespace

void AddBindingCommands(CLI::App& app, CliAction& action) {
    AddChannelBinding(app, action, "bind-ipc", kBindPhotoIpcCode);
    AddChannelBinding(app, action, "bind-qr", kBindSignInCodeCode);
    AddVisitors(app, action);
}

}  // namespace ostrand::cli
