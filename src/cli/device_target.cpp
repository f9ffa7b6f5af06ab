#include "cli/device_target.h"

#include <charconv>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace ostrand::cli {
namespace {

// A scan file is a device list, not a data set: anything larger is a mistake.
constexpr std::size_t kMaxTargetsFileBytes = 64 * 1024 * 1024;

std::optional<int> PortNumber(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535) return std::nullopt;
    return port;
}

std::string StringMember(const nlohmann::json& row, const char* key) {
    const auto member = row.find(key);
    return member != row.end() && member->is_string() ? member->get<std::string>() : std::string();
}

// Closes the descriptor it holds.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::string FleetTarget::Label() const {
    if (!ip.empty() && problem.empty()) return ip + ':' + std::to_string(port);
    if (!ip.empty()) return port > 0 ? ip + ':' + std::to_string(port) : ip;
    return row.empty() ? std::string("(no address)") : row;
}

FleetTarget FleetTarget::At(std::string ip, int port) {
    FleetTarget target;
    target.ip = std::move(ip);
    target.port = port;
    return target;
}

bool IsDottedIpv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

FleetTarget ParseFleetTarget(const std::string& text) {
    FleetTarget target;
    const std::size_t colon = text.rfind(':');
    const auto port = colon == std::string::npos ? std::nullopt : PortNumber(text.substr(colon + 1));
    if (colon == std::string::npos || !port || *port == 0 || !IsDottedIpv4(text.substr(0, colon))) {
        target.row = text;
        target.problem = "--target needs IP:PORT, not \"" + text + "\"";
        return target;
    }
    target.ip = text.substr(0, colon);
    target.port = *port;
    return target;
}

std::vector<FleetTarget> TargetsFromScanJson(const std::string& text) {
    const auto document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_array()) {
        throw std::invalid_argument("the targets file is not the JSON array `scan --json` prints");
    }
    std::vector<FleetTarget> targets;
    targets.reserve(document.size());
    std::size_t index = 0;
    for (const auto& row : document) {
        FleetTarget target;
        target.row = "row " + std::to_string(++index);
        if (!row.is_object()) {
            target.problem = "not a device row of the scan";
            targets.push_back(std::move(target));
            continue;
        }
        target.ip = StringMember(row, "IPAddress");
        target.version = StringMember(row, "Version");
        target.mac = StringMember(row, "MacAddress");
        target.number = StringMember(row, "Device ID");
        const std::string portText = StringMember(row, "Http Port");
        const auto port = PortNumber(portText);
        if (port) target.port = *port;
        if (!IsDottedIpv4(target.ip)) {
            target.problem = target.ip.empty() ? "no IP address" : "not a dotted IPv4 address";
        } else if (!port) {
            target.problem = "no usable command port (\"" + portText + "\")";
        } else if (*port == 0) {
            target.problem = "no command port: found only by the HDS search";
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

std::string ReadTargetsFile(const std::string& path, int idleSeconds) {
    // Opened without blocking, so a FIFO with no writer does not hold the open.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) throw std::invalid_argument("cannot read the targets file \"" + path + "\"");
    std::string text;
    char buffer[65536];
    auto idleSince = std::chrono::steady_clock::now();
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
            if (text.size() > kMaxTargetsFileBytes) {
                throw std::invalid_argument("the targets file \"" + path + "\" is larger than 64 MiB");
            }
            idleSince = std::chrono::steady_clock::now();
            continue;
        }
        if (got == 0) {
            // The end of a file, or of a pipe whose writer closed. A FIFO that no
            // writer has opened yet reads as ended too: wait for one, within the bound.
            if (!text.empty() || ::lseek(file.get(), 0, SEEK_CUR) >= 0 || errno != ESPIPE) break;
        } else if (errno != EAGAIN && errno != EINTR) {
            throw std::invalid_argument("cannot read the targets file \"" + path + "\"");
        }
        const auto idle = std::chrono::steady_clock::now() - idleSince;
        if (idle >= std::chrono::seconds(idleSeconds)) {
            throw std::invalid_argument("the targets file \"" + path + "\" gave nothing for " +
                                        std::to_string(idleSeconds) + " s");
        }
        pollfd waitFor{file.get(), POLLIN, 0};
        // A FIFO without a writer reports a hang-up at once: pace the wait.
        if (::poll(&waitFor, 1, 100) > 0 && (waitFor.revents & POLLIN) == 0) ::poll(nullptr, 0, 100);
    }
    return text;
}

std::vector<FleetTarget> WithoutRepeats(std::vector<FleetTarget> targets) {
    std::unordered_set<std::string> seen;
    seen.reserve(targets.size());
    std::vector<FleetTarget> unique;
    unique.reserve(targets.size());
    for (auto& target : targets) {
        if (target.problem.empty() && !seen.insert(target.ip + ':' + std::to_string(target.port)).second) continue;
        unique.push_back(std::move(target));
    }
    return unique;
}

}  // namespace ostrand::cli
