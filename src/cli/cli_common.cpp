#include "cli/cli_common.h"

#include <nlohmann/json.hpp>

#include <iostream>

#include "cli/plain_field.h"
#include "platform/code_page.h"
#include "transport/form_channel.h"

namespace ostrand::cli {

void AddTargetOptions(CLI::App& command, TargetOptions& target) {
    command.add_option("--ip", target.ip, "device address (dotted IPv4)")
        ->required()
        ->check(CLI::ValidIPV4);
    command.add_option("--port", target.port, "device command port (60005: TCP channel)")
        ->required()
        ->check(CLI::Range(1, 65535));
}

std::optional<std::string> DeviceText(const std::string& utf8, const char* what) {
    auto gbk = Utf8ToGbk(utf8);
    if (!gbk) {
        std::cerr << "ostrand-cli: " << what << " \"" << utf8
                  << "\" is not UTF-8 text that GBK can hold\n";
    }
    return gbk;
}

std::optional<ParamMap> ParseAssignments(const std::vector<std::string>& arguments) {
    ParamMap map;
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0) {
            std::cerr << "ostrand-cli: \"" << argument << "\" is not KEY=VALUE\n";
            return std::nullopt;
        }
        auto key = DeviceText(argument.substr(0, equals), "key");
        auto value = DeviceText(argument.substr(equals + 1), "value");
        if (!key || !value) return std::nullopt;
        map[*key] = *value;
    }
    return map;
}

std::string OutcomeText(std::int32_t result, const std::string& detail) {
    std::string text = TransportResultText(result);
    if (result != 0 && !detail.empty()) text += ": " + detail;
    return text;
}

std::string OutputText(const std::string& gbk) { return GbkToUtf8Lossy(gbk); }

int PrintOutcome(const CliSettings& settings, std::int32_t result, const std::string& text,
                 const ParamMap& reply) {
    if (settings.json) {
        nlohmann::ordered_json entries = nlohmann::ordered_json::object();
        for (const auto& [key, value] : reply) entries[OutputText(key)] = OutputText(value);
        nlohmann::ordered_json document;
        document["result"] = result;
        document["text"] = text;
        document["reply"] = std::move(entries);
        std::cout << document.dump() << "\n";
    } else {
        for (const auto& [key, value] : reply) {
            std::cout << PlainField(OutputText(key), "=") << "=" << PlainField(OutputText(value)) << "\n";
        }
    }
    std::cout.flush();
    if (result != 0 && !settings.json) std::cerr << "ostrand-cli: " << text << "\n";
    return result;
}

}  // namespace ostrand::cli
