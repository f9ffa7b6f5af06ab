// ostrand-cli bind-ipc get|set, bind-qr get|set, visitors search|bind:
// the devices tied to an attendance terminal, with the dialogs' checks.
// A set reads the terminal's channels first, as the dialog does, and keeps
// the channels it is not given.

#include "cli/attendance_cli.h"
#include "cli/device_run.h"
#include "ops/attendance/device_bindings.h"
#include "platform/code_page.h"

namespace ostrand::cli {

namespace {

Fields ChannelFields(const std::array<std::string, kBindChannelSlots>& channels) {
    Fields values;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        values.emplace_back("channel" + std::to_string(i + 1), OutputText(channels[i]));
    }
    return values;
}

// A text the command line gives, else the one of the device's scan row
// (UTF-8); nullopt when neither has one.
std::optional<std::string> GivenOrScanned(const std::optional<std::string>& given, const std::string& scanned) {
    if (given) return given;
    if (scanned.empty()) return std::nullopt;
    if (auto gbk = Utf8ToGbk(scanned)) return *gbk;
    return std::nullopt;
}

DeviceReport Unusable(DeviceReport report, const std::string& reason, const char* consequence) {
    if (!reason.empty()) {
        report.status = kFailedExitStatus;
        report.Show(reason);
    }
    report.Show(consequence);
    return report;
}

// bind-ipc (5039, with the terminal's own number) or bind-qr (5042).
void AddChannelBinding(CLI::App& app, CliAction& action, const char* name, CommandCode code) {
    struct Options {
        std::string ownNumber;
        std::vector<std::string> channels;
    };
    auto options = std::make_shared<Options>();
    const bool photoIpc = code == kBindPhotoIpcCode;
    CLI::App* command = app.add_subcommand(
        name, photoIpc ? "capture IPCs bound to a terminal's channels" : "gate sign-in QR codes of a terminal's channels");
    command->require_subcommand(1);
    CLI::App* get = command->add_subcommand("get", "print channel1..channel8");
    DeviceCommand(*get, action, ReadsDevice(), [code](const CliSettings&) -> DeviceJob {
        return [code](const FleetTarget& device) {
            const BindingsRead read = ReadBindings(EndpointOf(device), code);
            return ReadReport(read.outcome, read.unusable, ChannelFields(read.channels));
        };
    });
    CLI::App* set = command->add_subcommand(
        "set", "bind channels 1-4 in order (\"\" leaves a channel unbound; channels not given keep the terminal's)");
    CLI::Option* own = nullptr;
    if (photoIpc) {
        own = set->add_option("--own", options->ownNumber,
                              "the terminal's own device number (default: the \"Device ID\" of its scan row)");
    }
    set->add_option("CHANNEL", options->channels, "channels 1-4, in order")->required()->expected(1, kBindChannels);
    DeviceCommand(*set, action, ChangesDevice(), [options, code, own, set](const CliSettings&) -> DeviceJob {
        if (own != nullptr && own->count() == 0 && set->count("--ip") > 0) {
            throw UsageError("--own is required with --ip (a scan row gives it with --targets-from)");
        }
        std::vector<std::string> given;
        for (const std::string& channel : options->channels) given.push_back(GbkArgument(channel, "channel"));
        std::optional<std::string> ownNumber;
        if (own != nullptr && own->count() > 0) ownNumber = GbkArgument(options->ownNumber, "device number");
        const bool needsOwn = own != nullptr;
        return [given, ownNumber, needsOwn, code](const FleetTarget& device) {
            const std::optional<std::string> number = GivenOrScanned(ownNumber, device.number);
            if (needsOwn && !number) {
                return DeviceReport::Failure(kUsageExitStatus, "no --own and no device number from a scan row");
            }
            const DeviceEndpoint endpoint = EndpointOf(device);
            const BindingsRead read = ReadBindings(endpoint, code);
            const char* unsent = "未发送：没有读到终端的绑定，发送会改掉未给出的通道";
            if (!read.outcome.Succeeded() || !read.unusable.empty()) {
                return Unusable(ReportOf(read.outcome), read.unusable, unsent);
            }
            ChannelBindings channels;
            for (std::size_t i = 0; i < channels.size(); ++i) channels[i] = i < given.size() ? given[i] : read.channels[i];
            return ReportOf(WriteBindings(endpoint, code, channels, number.value_or("")));
        };
    });
}

// The version text of a visitors run: --version, else the device's scan row.
struct VersionOption {
    std::string text;
    CLI::Option* option = nullptr;
    std::optional<std::string> Given() const {
        if (option == nullptr || option->count() == 0) return std::nullopt;
        return GbkArgument(text, "version");
    }
};

// One device named by --ip has no scan row to give its version.
void RequireVersion(const CLI::App& command, const VersionOption& version) {
    if (version.option->count() == 0 && command.count("--ip") > 0) {
        throw UsageError("--version is required with --ip (a scan row gives it with --targets-from)");
    }
}

void AddVisitors(CLI::App& app, CliAction& action) {
    struct Options {
        VersionOption search;
        VersionOption bind;
        std::vector<std::string> numbers;
    };
    auto options = std::make_shared<Options>();
    const char* versionHelp = "the terminal's version text (6.8.x, x > 232); default: the \"Version\" of its scan row";
    const char* noVersion = "no --version and no version from a scan row";
    CLI::App* command = app.add_subcommand("visitors", "the visitor machines a terminal knows");
    command->require_subcommand(1);
    CLI::App* search = command->add_subcommand("search", "list them: number, binding (已绑定/未绑定/empty), ip");
    options->search.option = search->add_option("--version", options->search.text, versionHelp);
    DeviceCommand(*search, action, ListsRows({"number", "binding", "ip"}),
                  [options, noVersion, search](const CliSettings&) -> DeviceJob {
        RequireVersion(*search, options->search);
        return [version = options->search.Given(), noVersion](const FleetTarget& device) {
            const auto text = GivenOrScanned(version, device.version);
            if (!text) return DeviceReport::Failure(kUsageExitStatus, noVersion);
            const VisitorSearch result = SearchVisitors(EndpointOf(device), *text);
            DeviceReport report = ReportOf(result.outcome);
            if (!report.Succeeded()) return report;
            for (const VisitorRow& row : result.rows) {
                const char* state = !row.hasBinding ? "" : row.bound ? "已绑定" : "未绑定";
                report.rows.push_back({OutputText(row.deviceNumber), state, OutputText(row.ip)});
            }
            return report;
        };
    });
    CLI::App* bind = command->add_subcommand("bind", "bind exactly the listed visitor machines");
    options->bind.option = bind->add_option("--version", options->bind.text, versionHelp);
    bind->add_option("NUMBER", options->numbers, "device numbers to bind (none: unbind all)");
    DeviceCommand(*bind, action, ChangesDevice(), [options, noVersion, bind](const CliSettings&) -> DeviceJob {
        RequireVersion(*bind, options->bind);
        std::vector<std::string> numbers;
        for (const std::string& number : options->numbers) numbers.push_back(GbkArgument(number, "device number"));
        return [version = options->bind.Given(), numbers, noVersion](const FleetTarget& device) {
            const auto text = GivenOrScanned(version, device.version);
            if (!text) return DeviceReport::Failure(kUsageExitStatus, noVersion);
            return ReportOf(BindVisitors(EndpointOf(device), *text, numbers));
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
