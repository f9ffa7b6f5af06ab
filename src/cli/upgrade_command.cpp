// ostrand-cli upgrade --kind app|kernel FILE DEVICES [--device-version TEXT] [--retry N]
//
// One line per status change of a device (IP:PORT <TAB> text) while it runs,
// the fleet line of its end (IP:PORT <TAB> 成功|失败 <TAB> text [<TAB> reason=...]),
// then the summary; --json one document at the end. --jobs bounds the image
// transfers at once: a device that only waits for its kernel write does not
// hold a place.

#include <filesystem>
#include <iostream>
#include <mutex>

#include "cli/commands.h"
#include "cli/device_run.h"
#include "cli/plain_field.h"
#include "ops/upgrade/upgrade_run.h"
#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand::cli {
namespace {

struct UpgradeOptions {
    std::string kind;
    std::string file;
    std::string deviceVersion;
    int retries = 0;
};

// What each device's rows went through, printed as it happens (plain output).
class UpgradeLines final : public UpgradeObserver {
public:
    UpgradeLines(OutputPrinter& printer, std::mutex& outputMutex, const std::vector<FleetTarget>& targets,
                 bool json)
        : printer_(printer), outputMutex_(outputMutex), targets_(targets), json_(json),
          texts_(targets.size()), reasons_(targets.size()) {}

    void OnStatus(std::size_t row, const std::string& text, RowPhase phase) override {
        std::lock_guard lock(outputMutex_);
        texts_[row].push_back(text);
        if (json_) return;
        if (phase == RowPhase::Succeeded || phase == RowPhase::Failed) {
            printer_.PrintFleetLine(targets_[row], Report(row, phase, text, 0));
        } else {
            printer_.PrintProgress(targets_[row], text);
        }
    }
    void OnReason(std::size_t row, const std::string& text) override {
        std::lock_guard lock(outputMutex_);
        reasons_[row] = text;
    }
    void OnProgress(std::size_t, std::uint64_t, std::uint64_t) override {}
    void OnBatchEnded() override {}

    // A row that runs again starts without the reason of its last attempt.
    void Forget(std::size_t row) {
        std::lock_guard lock(outputMutex_);
        reasons_[row].clear();
    }

    // The report of a row (called under the output lock, or after the run).
    DeviceReport Report(std::size_t row, RowPhase phase, const std::string& text, std::uint64_t bytes) const {
        DeviceReport report;
        report.status = phase == RowPhase::Succeeded ? kSuccessExitStatus : kFailedExitStatus;
        report.text = text;
        report.messages = texts_[row];
        if (!reasons_[row].empty()) report.values.emplace_back("reason", reasons_[row]);
        report.extra["bytes"] = bytes;
        return report;
    }
    DeviceReport Final(std::size_t row, const UpgradeRowState& state, int attempts) {
        std::lock_guard lock(outputMutex_);
        const RowPhase phase = state.phase == RowPhase::Succeeded ? RowPhase::Succeeded : RowPhase::Failed;
        DeviceReport report = Report(row, phase, state.text, state.sent);
        report.extra["attempts"] = attempts;
        return report;
    }

private:
    OutputPrinter& printer_;
    std::mutex& outputMutex_;
    const std::vector<FleetTarget>& targets_;
    bool json_;
    std::vector<std::vector<std::string>> texts_;
    std::vector<std::string> reasons_;
};

DeviceReport Refusal(int status, const std::string& text) {
    DeviceReport report = DeviceReport::Failure(status, text);
    report.sent = false;
    return report;
}

int RunUpgrade(const CliSettings& settings, const UpgradeOptions& options, const DeviceSelection& devices) {
    const UpgradeKind kind = options.kind == "kernel" ? UpgradeKind::Kernel : UpgradeKind::Application;
    const auto given = Utf8ToGbk(options.deviceVersion);
    if (!given) throw UsageError("--device-version cannot be written in GBK");

    // What the file's name and size allow; the dialog refuses the same before it starts.
    const std::filesystem::path path(options.file);
    std::string refusal;
    const auto gbkName = Utf8ToGbk(path.filename().string());
    const auto versions = gbkName ? ParseUpgradeFileName(*gbkName, kind) : std::nullopt;
    std::error_code error;
    if (!versions) {
        refusal = UpgradeNameRefusalText(kind);
    } else if (kind == UpgradeKind::Kernel && (std::filesystem::file_size(path, error) == 0 || error)) {
        refusal = Tr("获取文件属性失败", "Get File Attribute Fail");
    }

    const std::vector<FleetTarget>& targets = devices.targets;
    std::vector<DeviceReport> reports(targets.size());
    std::mutex outputMutex;
    OutputPrinter printer(StyleOf(settings), ChangesDevice(), std::cout, std::cerr);

    // The rows that can be upgraded; every other row ends here with its reason.
    std::vector<FleetTarget> runnable;
    std::vector<std::size_t> reportOf;  // runnable row -> index in `targets`
    std::vector<UpgradeDevice> upgradeDevices;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const FleetTarget& target = targets[i];
        if (!target.problem.empty() || !refusal.empty()) {
            reports[i] = Refusal(kBadValueExitStatus, target.problem.empty() ? refusal : target.problem);
            std::lock_guard lock(outputMutex);
            printer.PrintFleetLine(target, reports[i]);
            continue;
        }
        UpgradeDevice device{target.ip, target.port, Utf8ToGbkLossy(target.number), {}, *given};
        // A scanned row's version decides the path (legacy cameras skip the check).
        if (!target.version.empty()) device.version = Utf8ToGbkLossy(target.version);
        // A device whose version is not known is taken as current firmware.
        if (device.version.empty()) device.version = std::string(kFirstCurrentVersion);
        runnable.push_back(target);
        reportOf.push_back(i);
        upgradeDevices.push_back(std::move(device));
    }

    if (!runnable.empty()) {
        UpgradeLines lines(printer, outputMutex, runnable, settings.json);
        const std::size_t parallel =
            static_cast<std::size_t>(devices.jobs > 0 ? devices.jobs : kDefaultMaxJobs);
        UpgradeRun run(kind, *versions, path, std::move(upgradeDevices), lines, parallel);
        std::vector<int> attempts(runnable.size(), 1);
        run.Start();
        run.Wait();
        for (int retry = 0; retry < options.retries; ++retry) {
            const std::vector<std::size_t> failed = run.FailedRows();
            if (failed.empty()) break;
            for (const std::size_t row : failed) {
                lines.Forget(row);
                ++attempts[row];
            }
            if (!run.RetryFailed()) break;
            run.Wait();
        }
        for (std::size_t row = 0; row < runnable.size(); ++row) {
            reports[reportOf[row]] = lines.Final(row, run.Row(row), attempts[row]);
        }
    }

    {
        std::lock_guard lock(outputMutex);
        printer.PrintFleetEnd(targets, reports);
    }
    for (const DeviceReport& report : reports) {
        if (!report.Succeeded()) return report.status;
    }
    return kSuccessExitStatus;
}

}  // namespace

void AddUpgradeCommand(CLI::App& app, CliAction& action) {
    auto options = std::make_shared<UpgradeOptions>();
    auto deviceOptions = std::make_shared<DeviceOptions>();
    CLI::App* command = app.add_subcommand(
        "upgrade", "upgrade the application (--kind app) or the kernel (--kind kernel) of devices; one line per "
                   "status change, the line of each device's end, then a summary");
    command->add_option("--kind", options->kind, "app or kernel")->required()->check(CLI::IsMember({"app", "kernel"}));
    command->add_option("FILE", options->file, "the image; its name carries the versions (HW_KERNEL_d.d.dddd_A|S|F)")
        ->required()
        ->check(CLI::ExistingFile);
    AddDeviceOptions(*command, *deviceOptions);
    command->add_option("--device-version", options->deviceVersion,
                        "version text of devices without a scanned one (--ip, --target; port-80 devices below "
                        "5.1.0373 skip the version check); rows of --targets-from use their \"Version\"");
    command->add_option("--retry", options->retries, "run the devices that failed again, up to N more times")
        ->check(CLI::Range(0, 100));
    CLI::App* self = command;
    command->callback([options, deviceOptions, self, &action] {
        auto devices = std::make_shared<DeviceSelection>(SelectDevices(*self, *deviceOptions));
        action = [options, devices](const CliSettings& settings) { return RunUpgrade(settings, *options, *devices); };
    });
}

}  // namespace ostrand::cli
