#include "cli/fleet_targets.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>

namespace ostrand::cli {
namespace {

// A scan file is a device list, not a data set: anything larger is a mistake.
constexpr std::streamsize kMaxTargetsFileBytes = 64 * 1024 * 1024;

bool IsDottedIpv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

std::optional<int> PortNumber(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::string ReadTargetsFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::invalid_argument("cannot read the targets file \"" + path + "\"");
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (static_cast<std::streamsize>(text.size()) > kMaxTargetsFileBytes) {
            throw std::invalid_argument("the targets file \"" + path + "\" is larger than 64 MiB");
        }
    }
    return text;
}

}  // namespace

void AddFleetOptions(CLI::App& command, FleetOptions& options) {
    command.add_option("--target", options.targets, "a device IP:PORT (repeatable)");
    command.add_option("--targets-from", options.targetsFrom,
                       "the devices of a file holding `ostrand-cli scan --json` output");
    command.add_option("--jobs", options.jobs, "devices worked on at once (default 32)")
        ->check(CLI::Range(1, 1024));
}

std::optional<FleetTarget> ParseFleetTarget(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    FleetTarget target{text.substr(0, colon), 0};
    const auto port = PortNumber(text.substr(colon + 1));
    if (!port || !IsDottedIpv4(target.ip)) return std::nullopt;
    target.port = *port;
    return target;
}

std::vector<FleetTarget> TargetsFromScanJson(const std::string& text) {
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_array()) {
        throw std::invalid_argument("the targets file is not the JSON array `scan --json` prints");
    }
    std::vector<FleetTarget> targets;
    for (const auto& row : document) {
        if (!row.is_object()) continue;
        const auto ip = row.find("IPAddress");
        const auto port = row.find("Http Port");
        if (ip == row.end() || port == row.end() || !ip->is_string() || !port->is_string()) continue;
        const auto number = PortNumber(port->get<std::string>());
        if (!number || !IsDottedIpv4(ip->get<std::string>())) continue;
        targets.push_back({ip->get<std::string>(), *number});
    }
    return targets;
}

std::vector<FleetTarget> ResolveFleetTargets(const FleetOptions& options) {
    std::vector<FleetTarget> targets;
    for (const std::string& text : options.targets) {
        auto target = ParseFleetTarget(text);
        if (!target) throw std::invalid_argument("--target needs IP:PORT, not \"" + text + "\"");
        targets.push_back(std::move(*target));
    }
    if (!options.targetsFrom.empty()) {
        for (auto& target : TargetsFromScanJson(ReadTargetsFile(options.targetsFrom))) {
            targets.push_back(std::move(target));
        }
    }
    std::vector<FleetTarget> unique;
    for (auto& target : targets) {
        if (std::find(unique.begin(), unique.end(), target) == unique.end()) {
            unique.push_back(std::move(target));
        }
    }
    return unique;
}

int RunOnFleet(const std::vector<FleetTarget>& targets, int jobs, const CliSettings& settings,
               const FleetWork& work) {
    std::vector<FleetOutcome> outcomes(targets.size());
    std::atomic<std::size_t> next{0};
    std::mutex outputMutex;
    const auto runOne = [&](std::size_t index) {
        FleetOutcome outcome;
        try {
            outcome = work(targets[index]);
        } catch (const std::exception& e) {
            outcome = {false, kFailedExitStatus, e.what(), nlohmann::ordered_json::object()};
        } catch (...) {
            outcome = {false, kFailedExitStatus, "unexpected failure", nlohmann::ordered_json::object()};
        }
        if (!settings.json) {
            std::lock_guard lock(outputMutex);
            std::cout << targets[index].ip << ':' << targets[index].port << '\t'
                      << (outcome.succeeded ? "成功" : "失败") << '\t' << outcome.text << '\n';
            std::cout.flush();
        }
        outcomes[index] = std::move(outcome);
    };
    const std::size_t threads =
        std::min<std::size_t>(targets.size(), static_cast<std::size_t>(std::max(jobs, 1)));
    {
        std::vector<std::jthread> pool;
        pool.reserve(threads);
        for (std::size_t t = 0; t < threads; ++t) {
            pool.emplace_back([&] {
                for (std::size_t index = next++; index < targets.size(); index = next++) runOne(index);
            });
        }
    }
    const auto succeeded = static_cast<std::size_t>(
        std::count_if(outcomes.begin(), outcomes.end(), [](const FleetOutcome& o) { return o.succeeded; }));
    const std::size_t failed = outcomes.size() - succeeded;
    if (settings.json) {
        auto devices = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < targets.size(); ++i) {
            nlohmann::ordered_json entry;
            entry["ip"] = targets[i].ip;
            entry["port"] = targets[i].port;
            entry["succeeded"] = outcomes[i].succeeded;
            entry["result"] = outcomes[i].result;
            entry["text"] = outcomes[i].text;
            for (const auto& [key, value] : outcomes[i].detail.items()) entry[key] = value;
            devices.push_back(std::move(entry));
        }
        nlohmann::ordered_json document;
        document["devices"] = std::move(devices);
        document["succeeded"] = succeeded;
        document["failed"] = failed;
        std::cout << document.dump() << '\n';
    } else {
        std::cout << targets.size() << " devices: " << succeeded << " succeeded, " << failed
                  << " failed\n";
    }
    std::cout.flush();
    return failed == 0 && !targets.empty() ? 0 : kFailedExitStatus;
}

}  // namespace ostrand::cli
