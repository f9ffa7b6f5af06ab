// The pieces net_cli_support.h declares (named *_command.cpp so that the
// subcommand list of the build compiles it).
#include "cli/exit_status.h"
#include "cli/net_cli_support.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <mutex>
#include <stdexcept>

#include "platform/app_state.h"

namespace ostrand::cli {
namespace {

// Collects each thread's messages apart, so devices worked on at once do not
// mix their texts. A thread without a collector passes its messages on.
class PerThreadMessages final : public MessageSink {
public:
    explicit PerThreadMessages(MessageSink& fallback) : fallback_(fallback) {}
    void ShowMessage(std::string_view text, std::string_view caption) override {
        if (current_ != nullptr) {
            current_->emplace_back(text);
        } else {
            fallback_.ShowMessage(text, caption);
        }
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override {
        return fallback_.AskYesNo(text, caption);
    }

    // Collects the calling thread's messages into `texts` while alive.
    class Collect {
    public:
        explicit Collect(std::vector<std::string>& texts) : previous_(current_) { current_ = &texts; }
        ~Collect() { current_ = previous_; }
        Collect(const Collect&) = delete;
        Collect& operator=(const Collect&) = delete;

    private:
        std::vector<std::string>* previous_;
    };

private:
    static thread_local std::vector<std::string>* current_;
    MessageSink& fallback_;
};

thread_local std::vector<std::string>* PerThreadMessages::current_ = nullptr;

struct DeviceRun {
    NetCliOutcome outcome;
    std::vector<std::string> messages;
};

DeviceRun RunCollected(const NetCliWork& work, const FleetTarget& target) {
    DeviceRun run;
    PerThreadMessages::Collect collect(run.messages);
    run.outcome = work(target);
    return run;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string line;
    for (const std::string& text : texts) line += (line.empty() ? "" : "; ") + text;
    return line;
}

int PrintOne(const DeviceRun& run, const CliSettings& settings) {
    if (settings.json) {
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (const auto& [key, value] : run.outcome.values) values[OutputText(key)] = OutputText(value);
        nlohmann::ordered_json document;
        document["result"] = run.outcome.status;
        document["messages"] = run.messages;
        document["values"] = std::move(values);
        std::cout << document.dump() << "\n";
    } else {
        for (const auto& [key, value] : run.outcome.values) {
            std::cout << OutputText(key) << "=" << OutputText(value) << "\n";
        }
        std::ostream& out = run.outcome.status == 0 ? std::cout : std::cerr;
        for (const std::string& text : run.messages) out << text << "\n";
    }
    std::cout.flush();
    return run.outcome.status;
}

// Applies --english and installs the per-thread collector for one run.
class NetRunScope {
public:
    explicit NetRunScope(const NetDeviceOptions& options)
        : language_(UiLanguage()), sink_(Messages()), scope_(sink_) {
        SetUiLanguage(options.english ? Language::English : Language::Chinese);
    }
    ~NetRunScope() { SetUiLanguage(language_); }
    NetRunScope(const NetRunScope&) = delete;
    NetRunScope& operator=(const NetRunScope&) = delete;

private:
    Language language_;
    PerThreadMessages sink_;
    ScopedMessageSink scope_;
};

void AddIpPort(CLI::App& command, NetDeviceOptions& options) {
    command.add_option("--ip", options.ip, "device address (dotted IPv4)")->check(CLI::ValidIPV4);
    command.add_option("--port", options.port, "device command port (60005: TCP channel)")
        ->check(CLI::Range(1, 65535));
    command.add_flag("--english", options.english, "show the device messages in English where they have it");
}

}  // namespace

void AddNetReadOptions(CLI::App& command, NetDeviceOptions& options) {
    AddIpPort(command, options);
    command.get_option("--ip")->required();
    command.get_option("--port")->required();
}

void AddNetWriteOptions(CLI::App& command, NetDeviceOptions& options) {
    AddIpPort(command, options);
    AddFleetOptions(command, options.fleet);
}

std::optional<bool> OnOff(const std::string& text) {
    if (text == "on" || text == "1") return true;
    if (text == "off" || text == "0") return false;
    return std::nullopt;
}

int RunNetRead(const NetDeviceOptions& options, const CliSettings& settings, const NetCliWork& work) {
    NetRunScope scope(options);
    return PrintOne(RunCollected(work, FleetTarget::At(options.ip, options.port)), settings);
}

int RunNetWrite(const NetDeviceOptions& options, const CliSettings& settings,
                const std::string& perDevice, const NetCliWork& work) {
    const bool single = !options.ip.empty() || options.port != 0;
    const bool fleet = !options.fleet.targets.empty() || !options.fleet.targetsFrom.empty();
    if (single && fleet) {
        std::cerr << "ostrand-cli: give either --ip/--port or --target/--targets-from, not both\n";
        return kBadValueExitStatus;
    }
    if (single) {
        if (options.ip.empty() || options.port == 0) {
            std::cerr << "ostrand-cli: --ip and --port go together\n";
            return kBadValueExitStatus;
        }
        NetRunScope scope(options);
        return PrintOne(RunCollected(work, FleetTarget::At(options.ip, options.port)), settings);
    }
    if (!fleet) {
        std::cerr << "ostrand-cli: name the device with --ip and --port, or the devices with --target "
                     "IP:PORT (repeatable) or --targets-from FILE\n";
        return kUsageExitStatus;
    }
    std::vector<FleetTarget> targets;
    try {
        targets = ResolveFleetTargets(options.fleet);
    } catch (const std::invalid_argument& e) {
        std::cerr << "ostrand-cli: " << e.what() << "\n";
        return kUsageExitStatus;
    }
    if (targets.empty()) {
        std::cerr << "ostrand-cli: the targets name no device\n";
        return kUsageExitStatus;
    }
    if (!perDevice.empty() && targets.size() > 1) {
        std::cerr << "ostrand-cli: " << perDevice << " is different for every device; give one device only\n";
        return kUsageExitStatus;
    }
    NetRunScope scope(options);
    return RunOnFleet(targets, options.fleet.jobs, settings, [&work](const FleetTarget& target) {
        const DeviceRun run = RunCollected(work, target);
        FleetOutcome outcome;
        outcome.succeeded = run.outcome.status == 0;
        outcome.result = run.outcome.status;
        outcome.text = Joined(run.messages);
        outcome.detail["messages"] = run.messages;
        return outcome;
    });
}

}  // namespace ostrand::cli
