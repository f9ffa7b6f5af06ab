// ostrand-cli upgrade --kind app|kernel FILE --target IP:PORT [--target ...]
//                     [--targets-from FILE] [--jobs N] [--device-version TEXT]

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/fleet_targets.h"
#include "ops/upgrade/upgrade_run.h"
#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand::cli {
namespace {

// Prints one line per status write: "IP:PORT<TAB>text".
class StatusPrinter final : public UpgradeObserver {
public:
    StatusPrinter(const std::vector<UpgradeDevice>& devices, bool quiet) : devices_(devices), quiet_(quiet) {}
    void OnStatus(std::size_t row, const std::string& text, RowPhase /*phase*/) override {
        if (quiet_) return;
        std::lock_guard lock(mutex_);
        std::cout << devices_[row].ip << ':' << devices_[row].port << '\t' << text << '\n' << std::flush;
    }
    void OnProgress(std::size_t, std::uint64_t, std::uint64_t) override {}
    void OnBatchEnded() override {}

private:
    const std::vector<UpgradeDevice>& devices_;
    bool quiet_;
    std::mutex mutex_;
};

// The scan rows of a targets file, for the version texts (GBK) of their devices.
std::map<std::string, std::string> ScanVersions(const std::string& path) {
    std::map<std::string, std::string> versions;
    if (path.empty()) return versions;
    std::ifstream in(path, std::ios::binary);
    const auto rows = nlohmann::json::parse(in, nullptr, false);
    if (!rows.is_array()) return versions;
    for (const auto& row : rows) {
        if (!row.is_object()) continue;
        const auto text = [&](const char* key) {
            const auto it = row.find(key);
            return it != row.end() && it->is_string() ? it->get<std::string>() : std::string();
        };
        versions[text("IPAddress") + ":" + text("Http Port")] = Utf8ToGbkLossy(text("Version"));
    }
    return versions;
}

int RunUpgrade(const CliSettings& settings, UpgradeKind kind, const std::string& file, const FleetOptions& fleet,
               const std::string& deviceVersion) {
    const std::filesystem::path path(file);
    const auto gbkName = Utf8ToGbk(path.filename().string());
    const auto versions = gbkName ? ParseUpgradeFileName(*gbkName, kind) : std::nullopt;
    if (!versions) {
        std::cerr << "ostrand-cli upgrade: " << UpgradeNameRefusalText(kind) << "\n";
        return kTransportBadParameter;
    }
    std::error_code error;
    if (kind == UpgradeKind::Kernel && (std::filesystem::file_size(path, error) == 0 || error)) {
        std::cerr << "ostrand-cli upgrade: " << Tr("获取文件属性失败", "Get File Attribute Fail") << "\n";
        return kTransportBadParameter;
    }
    std::vector<FleetTarget> targets;
    try {
        targets = ResolveFleetTargets(fleet);
    } catch (const std::invalid_argument& e) {
        std::cerr << "ostrand-cli upgrade: " << e.what() << "\n";
        return kUsageExitStatus;
    }
    if (targets.empty()) {
        std::cerr << "ostrand-cli upgrade: no devices; give --target or --targets-from\n";
        return kUsageExitStatus;
    }
    const auto scanned = ScanVersions(fleet.targetsFrom);
    const auto given = Utf8ToGbk(deviceVersion);
    if (!given) {
        std::cerr << "ostrand-cli upgrade: --device-version cannot be written in GBK\n";
        return kTransportBadParameter;
    }
    std::vector<UpgradeDevice> devices;
    for (const FleetTarget& target : targets) {
        UpgradeDevice device{target.ip, target.port, {}, {}, *given};
        if (const auto it = scanned.find(target.ip + ":" + std::to_string(target.port)); it != scanned.end()) {
            device.version = it->second;
        }
        // A device whose version is not known is taken as current firmware.
        if (device.version.empty()) device.version = std::string(kFirstCurrentVersion);
        devices.push_back(std::move(device));
    }

    StatusPrinter printer(devices, settings.json);
    std::size_t succeeded = 0;
    {
        UpgradeRun run(kind, *versions, path, devices, printer, static_cast<std::size_t>(fleet.jobs));
        run.Start();
        run.Wait();
        auto list = nlohmann::ordered_json::array();
        for (std::size_t row = 0; row < devices.size(); ++row) {
            const UpgradeRowState state = run.Row(row);
            if (state.phase == RowPhase::Succeeded) ++succeeded;
            nlohmann::ordered_json entry;
            entry["ip"] = devices[row].ip;
            entry["port"] = devices[row].port;
            entry["succeeded"] = state.phase == RowPhase::Succeeded;
            entry["text"] = state.text;
            entry["sent"] = state.sent;
            list.push_back(std::move(entry));
        }
        const std::size_t failed = devices.size() - succeeded;
        if (settings.json) {
            nlohmann::ordered_json document;
            document["devices"] = std::move(list);
            document["succeeded"] = succeeded;
            document["failed"] = failed;
            std::cout << document.dump() << '\n';
        } else {
            std::cout << devices.size() << " devices: " << succeeded << " succeeded, " << failed << " failed\n";
        }
    }
    return succeeded == devices.size() ? 0 : kFailedExitStatus;
}

}  // namespace

void AddUpgradeCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string kind;
        std::string file;
        FleetOptions fleet;
        std::string deviceVersion;
    };
    auto options = std::make_shared<Options>();
    CLI::App* command = app.add_subcommand(
        "upgrade", "upgrade the application (--kind app) or the kernel (--kind kernel) of many devices at once; "
                   "one line per status change, then a summary");
    command->add_option("--kind", options->kind, "app or kernel")->required()->check(CLI::IsMember({"app", "kernel"}));
    command->add_option("FILE", options->file, "the image; its name carries the versions (HW_KERNEL_d.d.dddd_A|S|F)")
        ->required()
        ->check(CLI::ExistingFile);
    AddFleetOptions(*command, options->fleet);
    command->add_option("--device-version", options->deviceVersion,
                        "version text of the --target devices (port-80 devices below 5.1.0373 skip the "
                        "version check); devices of a --targets-from file use their scanned version");
    command->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return RunUpgrade(settings, options->kind == "kernel" ? UpgradeKind::Kernel : UpgradeKind::Application,
                              options->file, options->fleet, options->deviceVersion);
        };
    });
}

}  // namespace ostrand::cli
