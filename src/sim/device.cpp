#include "sim/device.h"

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "platform/code_page.h"
#include "sim/log_archive.h"

namespace ostrand::sim {

std::string_view DeviceKindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Camera: return "camera";
        case DeviceKind::Terminal: return "terminal";
        case DeviceKind::CaptureCamera: return "capture";
    }
    return "camera";
}

std::optional<DeviceKind> DeviceKindFromName(std::string_view name) {
    if (name == "camera") return DeviceKind::Camera;
    if (name == "terminal") return DeviceKind::Terminal;
    if (name == "capture") return DeviceKind::CaptureCamera;
    return std::nullopt;
}

std::uint16_t DefaultPortFor(DeviceKind kind) {
    return kind == DeviceKind::Camera ? kDefaultCameraPort : kTcpChannelPort;
}

namespace {

std::string MacFromAddress(const net::ip::address_v4& address) {
    const auto bytes = address.to_bytes();
    char text[16];
    std::snprintf(text, sizeof text, "02AA%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3]);
    return text;
}

net::ip::address_v4 ParseAddress(const std::string& text) {
    boost::system::error_code error;
    const auto address = net::ip::make_address_v4(text, error);
    if (error) throw std::invalid_argument("not an IPv4 address: \"" + text + "\"");
    return address;
}

}  // namespace

Device::Device(DeviceConfig config)
    : config_(std::move(config)),
      address_(ParseAddress(config_.address)),
      port_(config_.port != 0 ? config_.port : DefaultPortFor(config_.kind)),
      faults_(config_.faults),
      logWrittenAt_(std::chrono::duration_cast<std::chrono::seconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count()) {
    for (const auto& [type, bytes] : config_.exports) exports_[type] = std::make_shared<const std::string>(bytes);
    const bool tcpDevice = port_ == kTcpChannelPort;
    SetFieldText(record_.mac, config_.mac.empty() ? MacFromAddress(address_) : config_.mac);
    SetFieldText(record_.ip, config_.address);
    // The network settings an entry gives are also what the device announces.
    const auto setting = [this](const char* key, const char* fallback) {
        const auto found = config_.settings.find(key);
        return found != config_.settings.end() && !found->second.empty() ? found->second : std::string(fallback);
    };
    const std::string netmask = setting("netmask", "255.0.0.0");
    const std::string gateway = setting("gateway", "127.0.0.1");
    SetFieldText(record_.subnetMask, netmask);
    SetFieldText(record_.gateway, gateway);
    record_.commandPort = port_;
    record_.deviceType = config_.deviceType;
    SetFieldText(record_.version, config_.version);
    SetFieldText(record_.deviceNumber, config_.deviceNumber);
    // The record carries the name in GBK for TCP devices and in UTF-8 otherwise.
    SetFieldText(record_.deviceName,
                 tcpDevice ? Utf8ToGbkLossy(config_.name) : config_.name);
    record_.videoChannels = config_.videoChannels >= 0 ? config_.videoChannels
                            : config_.kind == DeviceKind::Camera ? 1
                                                                 : 0;
    SetFieldText(record_.productModel, config_.productModel);
    record_.tfStatus = 0;
    record_.webPort = 0;
    switch (config_.kind) {
        case DeviceKind::Camera: record_.attendType = 0; break;
        case DeviceKind::Terminal: record_.attendType = 1; break;
        case DeviceKind::CaptureCamera:
            record_.attendType = 2;
            SetFieldText(record_.attendTerminalNumber, config_.attendTerminalNumber);
            break;
    }

    settings_["ipaddress"] = config_.address;
    settings_["netmask"] = netmask;
    settings_["gateway"] = gateway;
    settings_["dnsaddress"] = "127.0.0.1";
    settings_["macaddress"] = FieldText(record_.mac);
    settings_["devname"] = Utf8ToGbkLossy(config_.name);
    settings_["deviceNumber"] = config_.deviceNumber;
    settings_["productModel"] = config_.productModel;
    settings_["version"] = config_.version;
    // No kernel upgrade running; a fleet entry's settings may say "1" (busy).
    settings_["updateStatus"] = "0";
    for (const auto& [key, value] : config_.settings) settings_[key] = value;
    if (const auto upgrade = config_.state.find("upgrade");
        upgrade != config_.state.end() && upgrade->is_object()) {
        receiveRate_ = upgrade->value("receiveRate", std::uint64_t{0});
    }
}

DeviceRecord Device::Record() const {
    std::lock_guard lock(mutex_);
    return record_;
}

void Device::SetRecord(const DeviceRecord& record) {
    std::lock_guard lock(mutex_);
    record_ = record;
}

FaultOptions Device::Faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

void Device::StoreFaults(const FaultOptions& faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

ParamMap Device::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

std::string Device::Setting(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const auto it = settings_.find(key);
    return it == settings_.end() ? std::string() : it->second;
}

void Device::SetSetting(std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    settings_[std::string(key)] = std::string(value);
}

void Device::MergeSettings(const ParamMap& values) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : values) settings_[key] = value;
}

std::optional<ParamMap> Device::ExtraReply(std::string_view commandKey) const {
    const auto it = config_.replies.find(std::string(commandKey));
    if (it == config_.replies.end()) return std::nullopt;
    return it->second;
}

std::shared_ptr<const std::string> Device::ExportFile(int type) const {
    {
        std::lock_guard lock(mutex_);
        const auto it = exports_.find(type);
        if (it != exports_.end()) return it->second;
    }
    if (type == 2) return std::make_shared<const std::string>(LogArchive());
    return nullptr;
}

void Device::SetExportFile(int type, std::string bytes) {
    auto shared = std::make_shared<const std::string>(std::move(bytes));
    std::lock_guard lock(mutex_);
    exports_[type] = std::move(shared);
}

std::string Device::LogArchive() const {
    std::string text = config_.logText;
    if (text.empty()) {
        text = "device " + config_.address + " (" + std::string(DeviceKindName(config_.kind)) +
               ") started\nnetwork up\n";
    }
    return MakeLogArchive(text, logWrittenAt_);
}

void Device::KeepReceived(ReceivedFile file) {
    received_.push_back(std::move(file));
    const std::size_t kept = std::max<std::size_t>(config_.keptReceivedFiles, 1);
    if (received_.size() > kept) {
        received_.erase(received_.begin(), received_.end() - static_cast<std::ptrdiff_t>(kept));
    }
}

void Device::AddReceivedFile(ReceivedFile file) {
    std::lock_guard lock(mutex_);
    KeepReceived(std::move(file));
}

std::vector<ReceivedFile> Device::ReceivedFiles() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void Device::ClearReceivedFiles() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

void Device::SetPendingUpload(PendingUpload upload) {
    std::lock_guard lock(mutex_);
    pendingUpload_ = std::move(upload);
}

std::optional<Device::PendingUpload> Device::TakePendingUpload() {
    std::lock_guard lock(mutex_);
    auto upload = std::move(pendingUpload_);
    pendingUpload_.reset();
    return upload;
}

void Device::AddImageChunk(const std::string& tag, const std::string& name,
                           std::string_view chunk, bool last) {
    std::lock_guard lock(mutex_);
    ReceivedFile& file = imagesInProgress_[tag];
    file.channel = "image";
    file.name = name;
    file.bytes.append(chunk);
    if (last) {
        file.complete = true;
        KeepReceived(std::move(file));
        imagesInProgress_.erase(tag);
    }
}

int Device::CommandCount() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

void Device::CountCommand() {
    std::lock_guard lock(mutex_);
    ++commands_;
}

std::uint64_t Device::ReceiveRate() const {
    std::lock_guard lock(mutex_);
    return receiveRate_;
}

void Device::SetReceiveRate(std::uint64_t bytesPerSecond) {
    std::lock_guard lock(mutex_);
    receiveRate_ = bytesPerSecond;
}

std::chrono::steady_clock::time_point Device::ReserveReceive(std::size_t bytes) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    if (receiveRate_ == 0) return now;
    // Shared by all of the device's connections: the limit is the device's. A
    // token bucket holding a tenth of a second, so a simulator thread woken
    // late does not slow the device below its rate.
    const auto credit = now - std::chrono::milliseconds(100);
    const auto start = receiveFreeAt_ > credit ? receiveFreeAt_ : credit;
    receiveFreeAt_ = start + std::chrono::nanoseconds(static_cast<std::int64_t>(
                                 static_cast<double>(bytes) * 1e9 / static_cast<double>(receiveRate_)));
    return receiveFreeAt_;
}

nlohmann::json Device::StartingState(std::string_view subsystem) const {
    const auto it = config_.state.find(std::string(subsystem));
    return it == config_.state.end() ? nlohmann::json::object() : *it;
}

}  // namespace ostrand::sim
