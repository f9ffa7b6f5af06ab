#include "sim/fleet_file.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/code_page.h"
#include "sim/fleet.h"

namespace ostrand::sim {
namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw std::invalid_argument(where + ": " + what);
}

std::string Gbk(const std::string& utf8, const std::string& where) {
    auto gbk = Utf8ToGbk(utf8);
    if (!gbk) Fail(where, "text \"" + utf8 + "\" cannot be written in GBK");
    return *gbk;
}

ParamMap ParseParams(const json& object, const std::string& where) {
    if (!object.is_object()) Fail(where, "expected an object of texts");
    ParamMap params;
    for (const auto& [key, value] : object.items()) {
        const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        params[Gbk(key, where)] = Gbk(text, where);
    }
    return params;
}

std::string ReadWholeFile(const std::string& path, const std::string& where) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(where, "cannot read \"" + path + "\"");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Deterministic filler, so an export of a given size is the same every run.
std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 0x2545F491u;
    for (char& c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state & 0xff);
    }
    return bytes;
}

std::string ExportBytes(const json& source, const std::string& where) {
    if (source.is_string()) return source.get<std::string>();
    if (!source.is_object()) Fail(where, "an export is a text or an object");
    if (source.contains("file")) return ReadWholeFile(source.at("file").get<std::string>(), where);
    if (source.contains("text")) return source.at("text").get<std::string>();
    if (source.contains("size")) return PatternBytes(source.at("size").get<std::size_t>());
    Fail(where, "an export needs \"file\", \"text\" or \"size\"");
}

std::string Expand(std::string text, std::size_t number) {
    const std::string digits = std::to_string(number);
    for (std::size_t at = text.find("{n}"); at != std::string::npos; at = text.find("{n}", at)) {
        text.replace(at, 3, digits);
        at += digits.size();
    }
    return text;
}

void ApplyEntry(const json& entry, DeviceConfig& config, const std::string& where) {
    if (!entry.is_object()) Fail(where, "a device entry is an object");
    for (const auto& [key, value] : entry.items()) {
        if (key == "address" || key == "count") continue;  // handled by the caller
        if (key == "kind") {
            auto kind = DeviceKindFromName(value.get<std::string>());
            if (!kind) Fail(where, "kind must be camera, terminal or capture");
            config.kind = *kind;
        } else if (key == "port") {
            const int port = value.get<int>();
            if (port <= 0 || port > 65535) Fail(where, "port out of range");
            config.port = static_cast<std::uint16_t>(port);
        } else if (key == "name") {
            config.name = value.get<std::string>();
        } else if (key == "number") {
            config.deviceNumber = value.get<std::string>();
        } else if (key == "model") {
            config.productModel = value.get<std::string>();
        } else if (key == "version") {
            config.version = value.get<std::string>();
        } else if (key == "mac") {
            config.mac = value.get<std::string>();
        } else if (key == "deviceType") {
            config.deviceType = value.get<std::int32_t>();
        } else if (key == "videoChannels") {
            config.videoChannels = value.get<std::int32_t>();
        } else if (key == "terminalNumber") {
            config.attendTerminalNumber = value.get<std::string>();
        } else if (key == "settings") {
            for (const auto& [k, v] : ParseParams(value, where)) config.settings[k] = v;
        } else if (key == "replies") {
            if (!value.is_object()) Fail(where, "replies is an object of objects");
            for (const auto& [command, reply] : value.items()) {
                config.replies[command] = ParseParams(reply, where);
            }
        } else if (key == "exports") {
            if (!value.is_object()) Fail(where, "exports is an object keyed by export type");
            for (const auto& [type, source] : value.items()) {
                int number = -1;
                const auto [end, error] = std::from_chars(type.data(), type.data() + type.size(), number);
                if (error != std::errc() || end != type.data() + type.size() || number < 0 || number > 255) {
                    Fail(where, "export type \"" + type + "\" is not a number 0..255");
                }
                config.exports[number] = ExportBytes(source, where);
            }
        } else if (key == "log") {
            config.logText = value.get<std::string>();
        } else if (key == "exportPacketSize") {
            const int size = value.get<int>();
            if (size <= 0 || size > 262144 - 14) Fail(where, "exportPacketSize out of range");
            config.exportPacketSize = size;
        } else if (key == "faults") {
            config.faults = ParseFaults(value, config.faults);
        } else if (key == "state") {
            // Each subsystem's starting state, read by its own behaviours.
            if (!value.is_object()) Fail(where, "state is an object keyed by subsystem");
            for (const auto& [subsystem, part] : value.items()) config.state[subsystem] = part;
        } else {
            Fail(where, "unknown key \"" + key + "\"");
        }
    }
}

}  // namespace

FaultOptions ParseFaults(const json& object, FaultOptions base) {
    if (!object.is_object()) Fail("faults", "expected an object");
    for (const auto& [key, value] : object.items()) {
        if (key == "refuse") base.refuse = value.get<bool>();
        else if (key == "silent") base.silent = value.get<bool>();
        else if (key == "dropConnection") base.dropConnection = value.get<bool>();
        else if (key == "replyDelayMs") base.replyDelayMs = value.get<int>();
        else if (key == "splitSegments") base.splitSegments = value.get<int>();
        else if (key == "splitGapMs") base.splitGapMs = value.get<int>();
        else if (key == "malformed") base.malformed = value.get<bool>();
        else if (key == "httpStatus") base.httpStatus = value.get<int>();
        else if (key == "emptyBody") base.emptyBody = value.get<bool>();
        else if (key == "flatBare") base.flatBare = value.get<bool>();
        else if (key == "exportStatus") base.exportStatus = value.get<int>();
        else if (key == "exportStopAfter") base.exportStopAfter = value.get<int>();
        else if (key == "result") base.resultCode = value.get<std::string>();
        else if (key == "errmsg") base.errorText = Gbk(value.get<std::string>(), "faults");
        else if (key == "downloadFailure") {
            const auto text = value.get<std::string>();
            if (text == "none") base.downloadFailure = DownloadFailure::None;
            else if (text == "nolog") base.downloadFailure = DownloadFailure::NoLogFile;
            else if (text == "notar") base.downloadFailure = DownloadFailure::NoTarGzip;
            else Fail("faults", "downloadFailure must be none, nolog or notar");
        } else {
            Fail("faults", "unknown key \"" + key + "\"");
        }
    }
    return base;
}

std::vector<DeviceConfig> ParseFleet(const json& document) {
    if (!document.is_object()) Fail("fleet", "the document is an object");
    std::string baseText = document.value("base", std::string("127.20.0.1"));
    boost::system::error_code error;
    auto next = net::ip::make_address_v4(baseText, error);
    if (error || !IsLoopback(next)) Fail("fleet", "base must be an address in 127/8");

    DeviceConfig defaults;
    if (document.contains("defaults")) ApplyEntry(document.at("defaults"), defaults, "defaults");
    if (!document.contains("devices") || !document.at("devices").is_array()) {
        Fail("fleet", "\"devices\" must be an array");
    }

    std::vector<DeviceConfig> configs;
    std::size_t index = 0;
    for (const json& entry : document.at("devices")) {
        const std::string where = "devices[" + std::to_string(index++) + "]";
        const int count = entry.is_object() ? entry.value("count", 1) : 1;
        if (count < 1 || count > 100000) Fail(where, "count must be 1..100000");
        if (entry.is_object() && entry.contains("address")) {
            // An address given on purpose may lie outside 127/8 (a test namespace).
            next = net::ip::make_address_v4(entry.at("address").get<std::string>(), error);
            if (error) Fail(where, "address is not an IPv4 address");
        }
        for (int i = 0; i < count; ++i) {
            DeviceConfig config = defaults;
            ApplyEntry(entry, config, where);
            config.address = next.to_string();
            const std::size_t number = configs.size() + 1;
            config.name = Expand(config.name, number);
            config.deviceNumber = Expand(config.deviceNumber, number);
            configs.push_back(std::move(config));
            auto following = NextLoopbackAddress(next);
            if (!following) {
                if (i + 1 < count) Fail(where, "the devices do not fit into 127/8");
                following = next;  // only a later explicit address can continue
            }
            next = *following;
        }
    }
    return configs;
}

std::vector<DeviceConfig> LoadFleetFile(const std::string& path) {
    const std::string text = ReadWholeFile(path, "fleet file");
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& e) {
        Fail("fleet file \"" + path + "\"", e.what());
    }
    try {
        return ParseFleet(document);
    } catch (const json::exception& e) {
        Fail("fleet file \"" + path + "\"", e.what());
    }
}

}  // namespace ostrand::sim
