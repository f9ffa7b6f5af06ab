// The shared part of the maintenance subcommands (see maintenance_cli.h).

#include "cli/maintenance_cli.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <stdexcept>

#include "platform/message_sink.h"

namespace ostrand::cli {
namespace {

// Keeps the messages the channels show, per thread, so each device's run
// reports its own on its own line.
class PerThreadMessages final : public MessageSink {
public:
    void ShowMessage(std::string_view text, std::string_view) override {
        std::lock_guard lock(mutex_);
        byThread_[std::this_thread::get_id()].emplace_back(text);
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override {
        ShowMessage(text, caption);
        return false;
    }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        auto node = byThread_.extract(std::this_thread::get_id());
        return node.empty() ? std::vector<std::string>{} : std::move(node.mapped());
    }

private:
    std::mutex mutex_;
    std::map<std::thread::id, std::vector<std::string>> byThread_;
};

// The operation's run with the channel's messages in front of its own.
MaintenanceOutcome RunOne(PerThreadMessages& channel, const std::string& ip, int port, const DeviceWork& work) {
    CommandTarget target(ip, port);
    MaintenanceOutcome outcome = work(target);
    std::vector<std::string> shown = channel.Take();
    shown.insert(shown.end(), outcome.messages.begin(), outcome.messages.end());
    outcome.messages = std::move(shown);
    if (outcome.text.empty() && !outcome.messages.empty()) outcome.text = outcome.messages.back();
    return outcome;
}

std::string OneLine(const std::vector<std::string>& messages) {
    std::string line;
    for (const std::string& message : messages) {
        if (!line.empty()) line += "; ";
        for (const char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return line;
}

nlohmann::ordered_json ReplyJson(const ParamMap& reply) {
    nlohmann::ordered_json entries = nlohmann::ordered_json::object();
    for (const auto& [key, value] : reply) entries[OutputText(key)] = OutputText(value);
    return entries;
}

int PrintSingle(const CliSettings& settings, const MaintenanceOutcome& outcome) {
    const int status = outcome.succeeded ? 0 : (outcome.result != 0 ? outcome.result : kFailedExitStatus);
    if (settings.json) {
        nlohmann::ordered_json document;
        document["result"] = status;
        document["succeeded"] = outcome.succeeded;
        document["sent"] = outcome.sent;
        document["text"] = outcome.text;
        document["messages"] = outcome.messages;
        document["reply"] = ReplyJson(outcome.reply);
        std::cout << document.dump() << "\n";
    } else {
        for (const std::string& message : outcome.messages) std::cout << message << "\n";
        if (outcome.messages.empty()) std::cout << outcome.text << "\n";
    }
    std::cout.flush();
    return status;
}

}  // namespace

void AddDeviceOptions(CLI::App& command, DeviceOptions& options, bool fleetAllowed) {
    options.fleetAllowed = fleetAllowed;
    const char* alone = fleetAllowed ? " (or --target/--targets-from)" : "";
    command.add_option("--ip", options.single.ip, std::string("device address (dotted IPv4)") + alone)
        ->check(CLI::ValidIPV4);
    command.add_option("--port", options.single.port, "device command port (60005: TCP channel)")
        ->check(CLI::Range(1, 65535));
    if (fleetAllowed) AddFleetOptions(command, options.fleet);
}

void CheckDeviceOptions(const CLI::App& command, DeviceOptions& options) {
    const bool single = command.count("--ip") > 0 || command.count("--port") > 0;
    const bool fleet = options.fleetAllowed && (!options.fleet.targets.empty() || !options.fleet.targetsFrom.empty());
    if (single && fleet) {
        throw CLI::ValidationError("--ip/--port", "give either --ip and --port or --target/--targets-from, not both");
    }
    if (fleet) {
        try {
            options.targets = ResolveFleetTargets(options.fleet);
        } catch (const std::invalid_argument& e) {
            throw CLI::ValidationError("--target", e.what());
        }
        if (options.targets.empty()) throw CLI::ValidationError("--targets-from", "the targets file names no device");
        return;
    }
    if (command.count("--ip") == 0 || command.count("--port") == 0) {
        throw CLI::RequiredError(options.fleetAllowed ? "--ip and --port (or --target/--targets-from)"
                                                      : "--ip and --port");
    }
}

int RunMaintenance(const CliSettings& settings, const DeviceOptions& options, const DeviceWork& work) {
    PerThreadMessages channel;
    ScopedMessageSink sinkGuard(channel);
    if (options.targets.empty()) {
        return PrintSingle(settings, RunOne(channel, options.single.ip, options.single.port, work));
    }
    return RunOnFleet(options.targets, options.fleet.jobs, settings, [&](const FleetTarget& target) {
        const MaintenanceOutcome outcome = RunOne(channel, target.ip, target.port, work);
        FleetOutcome result;
        result.succeeded = outcome.succeeded;
        result.result = outcome.succeeded ? 0 : (outcome.result != 0 ? outcome.result : kFailedExitStatus);
        result.text = OneLine(outcome.messages.empty() ? std::vector<std::string>{outcome.text} : outcome.messages);
        result.detail["messages"] = outcome.messages;
        return result;
    });
}

int RefuseInput(const CliSettings& settings, const std::string& text) {
    MaintenanceOutcome outcome;
    outcome.result = kTransportBadParameter;
    outcome.Show(text);
    return PrintSingle(settings, outcome);
}

}  // namespace ostrand::cli
