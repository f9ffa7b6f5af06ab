#include "sim/fleet_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
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

// A number of the fleet file: an integer inside [min, max]. A text, a fraction
// or a number out of range is an error that names the field, never a value
// that wrapped around (a port of 4294975376 is not 8080).
long long Integer(const json& value, const std::string& where, std::string_view field, long long min,
                  long long max) {
    bool inRange = false;
    long long number = 0;
    if (value.is_number_unsigned()) {
        const auto unsignedNumber = value.get<std::uint64_t>();
        inRange = unsignedNumber <= static_cast<std::uint64_t>(max);
        number = inRange ? static_cast<long long>(unsignedNumber) : 0;
        inRange = inRange && number >= min;
    } else if (value.is_number_integer()) {
        number = value.get<std::int64_t>();
        inRange = number >= min && number <= max;
    }
    if (!inRange) {
        Fail(where, std::string(field) + " must be an integer " + std::to_string(min) + ".." + std::to_string(max) +
                        ", not " + value.dump());
    }
    return number;
}

int Int(const json& value, const std::string& where, std::string_view field, long long min, long long max) {
    return static_cast<int>(Integer(value, where, field, min, max));
}

std::string Text(const json& value, const std::string& where, std::string_view field) {
    if (!value.is_string()) Fail(where, std::string(field) + " must be a text, not " + value.dump());
    return value.get<std::string>();
}

bool Flag(const json& value, const std::string& where, std::string_view field) {
    if (!value.is_boolean()) Fail(where, std::string(field) + " must be true or false, not " + value.dump());
    return value.get<bool>();
}

// Reads a regular file of at most `limit` bytes. A device node, a pipe or a
// file over the limit is refused before anything is read, so "/dev/zero" or a
// FIFO never becomes a read without end.
std::string ReadBoundedFile(const std::string& path, std::size_t limit, const std::string& where) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) Fail(where, "cannot read \"" + path + "\"");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) Fail(where, "\"" + path + "\" is not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > limit) {
        Fail(where, "\"" + path + "\" is larger than " + std::to_string(limit) + " bytes");
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail(where, "cannot read \"" + path + "\"");
        if (got == 0) break;  // shrank while read
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
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

std::string ExportBytes(const json& source, const std::string& where, const std::string& field) {
    if (source.is_string()) return source.get<std::string>();
    if (!source.is_object()) Fail(where, field + " is a text or an object");
    if (source.contains("file")) {
        return ReadBoundedFile(Text(source.at("file"), where, field + ".file"), kMaxFleetExportBytes,
                               where + ": " + field + ".file");
    }
    if (source.contains("text")) return Text(source.at("text"), where, field + ".text");
    if (source.contains("size")) {
        return PatternBytes(static_cast<std::size_t>(
            Integer(source.at("size"), where, field + ".size", 0, static_cast<long long>(kMaxFleetExportBytes))));
    }
    Fail(where, field + " needs \"file\", \"text\" or \"size\"");
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
            auto kind = DeviceKindFromName(Text(value, where, key));
            if (!kind) Fail(where, "kind must be camera, terminal or capture");
            config.kind = *kind;
        } else if (key == "port") {
            config.port = static_cast<std::uint16_t>(Integer(value, where, key, 1, 65535));
        } else if (key == "name") {
            config.name = Text(value, where, key);
        } else if (key == "number") {
            config.deviceNumber = Text(value, where, key);
        } else if (key == "model") {
            config.productModel = Text(value, where, key);
        } else if (key == "version") {
            config.version = Text(value, where, key);
        } else if (key == "mac") {
            config.mac = Text(value, where, key);
        } else if (key == "deviceType") {
            config.deviceType = Int(value, where, key, INT32_MIN, INT32_MAX);
        } else if (key == "videoChannels") {
            config.videoChannels = Int(value, where, key, -1, INT32_MAX);
        } else if (key == "terminalNumber") {
            config.attendTerminalNumber = Text(value, where, key);
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
                config.exports[number] = ExportBytes(source, where, "exports." + type);
            }
        } else if (key == "log") {
            config.logText = Text(value, where, key);
        } else if (key == "exportPacketSize") {
            config.exportPacketSize = Int(value, where, key, 1, 262144 - 14);
        } else if (key == "faults") {
            config.faults = ParseFaults(value, config.faults, where);
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

FaultOptions ParseFaults(const json& object, FaultOptions base, const std::string& entry) {
    const std::string where = entry.empty() ? "faults" : entry;
    if (!object.is_object()) Fail(where, "faults must be an object");
    for (const auto& [name, value] : object.items()) {
        const std::string key = "faults." + name;
        if (name == "refuse") base.refuse = Flag(value, where, key);
        else if (name == "silent") base.silent = Flag(value, where, key);
        else if (name == "dropConnection") base.dropConnection = Flag(value, where, key);
        else if (name == "reset") base.reset = Flag(value, where, key);
        else if (name == "garbage") base.garbage = Flag(value, where, key);
        else if (name == "replyDelayMs") base.replyDelayMs = Int(value, where, key, 0, kMaxFaultDelayMs);
        else if (name == "splitSegments") base.splitSegments = Int(value, where, key, 0, kMaxSplitSegments);
        else if (name == "splitGapMs") base.splitGapMs = Int(value, where, key, 0, kMaxFaultDelayMs);
        else if (name == "malformed") base.malformed = Flag(value, where, key);
        else if (name == "httpStatus") base.httpStatus = Int(value, where, key, 0, 999);
        else if (name == "emptyBody") base.emptyBody = Flag(value, where, key);
        else if (name == "flatBare") base.flatBare = Flag(value, where, key);
        else if (name == "exportStatus") base.exportStatus = Int(value, where, key, 0, 255);
        else if (name == "exportStopAfter") base.exportStopAfter = Int(value, where, key, -1, INT32_MAX);
        else if (name == "result") base.resultCode = Text(value, where, key);
        else if (name == "errmsg") base.errorText = Gbk(Text(value, where, key), where);
        else if (name == "downloadFailure") {
            const auto text = Text(value, where, key);
            if (text == "none") base.downloadFailure = DownloadFailure::None;
            else if (text == "nolog") base.downloadFailure = DownloadFailure::NoLogFile;
            else if (text == "notar") base.downloadFailure = DownloadFailure::NoTarGzip;
            else Fail(where, key + " must be none, nolog or notar");
        } else {
            Fail(where, "unknown key \"" + key + "\"");
        }
    }
    return base;
}

std::vector<DeviceConfig> ParseFleet(const json& document) {
    if (!document.is_object()) Fail("fleet", "the document is an object");
    const std::string baseText =
        document.contains("base") ? Text(document.at("base"), "fleet", "base") : std::string("127.20.0.1");
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
    std::uint64_t heldBytes = 0;  // every device keeps its own copy
    for (const json& entry : document.at("devices")) {
        const std::string where = "devices[" + std::to_string(index++) + "]";
        const int count =
            entry.is_object() && entry.contains("count") ? Int(entry.at("count"), where, "count", 1, kMaxFleetCount) : 1;
        if (entry.is_object() && entry.contains("address")) {
            // An address given on purpose may lie outside 127/8 (a test namespace).
            next = net::ip::make_address_v4(Text(entry.at("address"), where, "address"), error);
            if (error) Fail(where, "address is not an IPv4 address");
        }
        // The entry is read once (its files too) and copied to each device.
        DeviceConfig prototype = defaults;
        ApplyEntry(entry, prototype, where);
        std::uint64_t perDevice = prototype.logText.size();
        for (const auto& [type, bytes] : prototype.exports) perDevice += bytes.size();
        heldBytes += perDevice * static_cast<std::uint64_t>(count);
        if (heldBytes > kMaxFleetExportBytes) {
            Fail(where, "the fleet's exports and logs exceed " + std::to_string(kMaxFleetExportBytes) +
                            " bytes in all");
        }
        for (int i = 0; i < count; ++i) {
            DeviceConfig config = prototype;
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
    const std::string text = ReadBoundedFile(path, kMaxFleetFileBytes, "fleet file");
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
