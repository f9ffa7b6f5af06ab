#pragma once
// One simulated device: where it listens, what kind it is, the record it
// describes itself with, the settings its get/set commands read and change,
// the files it can hand out or has received, and the faults it plays.
// Every accessor is thread-safe: the simulator thread serves the device while
// tests and responders read and change it from other threads.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

#include <nlohmann/json.hpp>

#include "devices/device_ports.h"
#include "devices/device_record.h"
#include "sim/asio.h"
#include "transport/param_map.h"

namespace ostrand::sim {

enum class DeviceKind : std::uint8_t {
    Camera,         // HTTP form interface on its HTTP port (80 or another)
    Terminal,       // attendance terminal: framed TCP channel on 60005
    CaptureCamera,  // capture IPC bound to a terminal: framed TCP channel on 60005
};

// The ports of the device list, as the simulator's listeners take them.
inline constexpr std::uint16_t kTcpChannelPort = static_cast<std::uint16_t>(kTcpCommandPort);
inline constexpr std::uint16_t kDefaultCameraPort = static_cast<std::uint16_t>(kVideoCommandPort);

std::string_view DeviceKindName(DeviceKind kind);  // "camera", "terminal", "capture"
std::optional<DeviceKind> DeviceKindFromName(std::string_view name);
std::uint16_t DefaultPortFor(DeviceKind kind);

// The two texts a device answers a log download with when it cannot make one.
enum class DownloadFailure : std::uint8_t { None, NoLogFile, NoTarGzip };
inline constexpr std::string_view kNoLogFileText =
    "HttpDownLoadFile failed, LOG/vekIPC.log fopen failed";
inline constexpr std::string_view kNoTarGzipText = "Device Donot support tar gzip";

// Misbehaviour on request. The defaults describe a healthy device.
struct FaultOptions {
    bool refuse = false;          // no listener: connections are refused
    bool silent = false;          // read requests, never answer, keep the connection
    bool dropConnection = false;  // read the request, then close without answering
    bool reset = false;           // read the request, then abort the connection (RST)
    bool garbage = false;         // answer every request with bytes of no protocol
    int replyDelayMs = 0;         // wait before every reply (and every export packet)
    int splitSegments = 0;        // send each reply in this many pieces (0 or 1: whole)
    int splitGapMs = 5;           // pause between the pieces
    bool malformed = false;       // reply documents that are not XML, refused acks
    int httpStatus = 0;           // answer every HTTP request with this status (0: normal)
    bool emptyBody = false;       // HTTP 200 with an empty body
    bool flatBare = false;        // flat replies as bare XML without the length
    int exportStatus = 0;         // status byte of the export begin reply (2, 3)
    int exportStopAfter = -1;     // stop sending export data after this many packets
    DownloadFailure downloadFailure = DownloadFailure::None;
    std::string resultCode = "10000";  // "result" of command replies
    std::string errorText;             // "errmsg" of command replies when not empty

    friend bool operator==(const FaultOptions&, const FaultOptions&) = default;
};

// A file that reached the device by one of the upload channels.
struct ReceivedFile {
    std::string channel;  // "http", "image", "tcp"
    std::string name;     // remote name, or the update type of a TCP upload
    std::string bytes;
    bool complete = false;
};

struct DeviceConfig {
    std::string address;  // dotted IPv4; 127/8 unless given on purpose
    DeviceKind kind = DeviceKind::Camera;
    std::uint16_t port = 0;  // 0: the kind's default
    std::string name;        // UTF-8
    std::string deviceNumber;
    std::string productModel;
    std::string version = "V1.0.0";
    std::string mac;  // empty: derived from the address
    std::int32_t deviceType = 1;
    std::int32_t videoChannels = -1;  // -1: 1 for cameras, 0 otherwise
    std::string attendTerminalNumber;
    ParamMap settings;             // GBK; added to the settings made from the record
    std::map<std::string, ParamMap> replies;  // extra reply entries by command name or code
    std::map<int, std::string> exports;       // export type -> file bytes
    std::string logText;           // content of the log the archive carries
    int exportPacketSize = 65536;  // file bytes per export data packet
    std::size_t keptReceivedFiles = 64;  // received files kept (at least 1), the newest
    FaultOptions faults;
    // Starting state and faults of the subsystems' behaviours, keyed by
    // subsystem ("maintenance", "upgrade", ...); each reads its own part.
    nlohmann::json state = nlohmann::json::object();
};

class Device {
public:
    explicit Device(DeviceConfig config);

    const std::string& AddressText() const { return config_.address; }
    net::ip::address_v4 Address() const { return address_; }
    std::uint16_t Port() const { return port_; }
    DeviceKind Kind() const { return config_.kind; }
    bool SpeaksTcpChannel() const { return port_ == kTcpChannelPort; }
    const DeviceConfig& Config() const { return config_; }

    DeviceRecord Record() const;
    void SetRecord(const DeviceRecord& record);

    FaultOptions Faults() const;
    // Called through Simulator::SetFaults so listeners follow "refuse" at once.
    void StoreFaults(const FaultOptions& faults);

    ParamMap Settings() const;
    std::string Setting(std::string_view key) const;
    void SetSetting(std::string_view key, std::string_view value);
    void MergeSettings(const ParamMap& values);
    std::optional<ParamMap> ExtraReply(std::string_view commandKey) const;

    // Export files by type; type 2 (the log) is made from the log text. Shared,
    // not copied, as files run to many megabytes; a later SetExportFile leaves
    // an export already running with the bytes it began with. Null: none.
    std::shared_ptr<const std::string> ExportFile(int type) const;
    void SetExportFile(int type, std::string bytes);
    int ExportPacketSize() const { return config_.exportPacketSize; }
    std::string LogArchive() const;

    // The device keeps its last Config().keptReceivedFiles files, oldest
    // first: a simulator serving uploads for hours must not keep every one.
    void AddReceivedFile(ReceivedFile file);
    std::vector<ReceivedFile> ReceivedFiles() const;
    void ClearReceivedFiles();
    // Upload header of the TCP channel, waiting for its data connection.
    struct PendingUpload {
        std::string updateType;
        std::uint64_t fileSize = 0;
        std::uint64_t totalPackets = 0;
    };
    void SetPendingUpload(PendingUpload upload);
    std::optional<PendingUpload> TakePendingUpload();

    // Tagged image chunks of the HTTP image upload; the piece shorter than a
    // full chunk completes the file.
    void AddImageChunk(const std::string& tag, const std::string& name, std::string_view chunk,
                       bool last);

    int CommandCount() const;
    void CountCommand();

    // The most bytes per second the device takes in (0: no limit), as a
    // device writing its flash takes an upload. Starts from the fleet file's
    // "state": {"upgrade": {"receiveRate": N}}.
    std::uint64_t ReceiveRate() const;
    void SetReceiveRate(std::uint64_t bytesPerSecond);
    // Counts `bytes` against the limit; the device reads again from the time returned.
    std::chrono::steady_clock::time_point ReserveReceive(std::size_t bytes);

    // State a subsystem's behaviours keep for this device (a password, a
    // table), default-constructed on first use. `use` runs under a lock of its
    // own and must not call WithState again.
    template <class State, class Use>
    decltype(auto) WithState(Use&& use) {
        std::lock_guard lock(statesMutex_);
        std::shared_ptr<void>& slot = states_[std::type_index(typeid(State))];
        if (!slot) slot = std::make_shared<State>();
        return use(*static_cast<State*>(slot.get()));
    }
    // The fleet file's starting state of one subsystem (an empty object when
    // none is given).
    nlohmann::json StartingState(std::string_view subsystem) const;

private:
    void KeepReceived(ReceivedFile file);  // under mutex_

    DeviceConfig config_;
    net::ip::address_v4 address_;
    std::uint16_t port_;
    mutable std::mutex mutex_;
    DeviceRecord record_;
    FaultOptions faults_;
    ParamMap settings_;
    std::map<int, std::shared_ptr<const std::string>> exports_;
    std::vector<ReceivedFile> received_;
    std::optional<PendingUpload> pendingUpload_;
    std::map<std::string, ReceivedFile> imagesInProgress_;
    int commands_ = 0;
    std::uint64_t receiveRate_ = 0;
    std::chrono::steady_clock::time_point receiveFreeAt_{};
    // The log file was last written when the device started; its archive
    // carries that time, so two exports of one log are the same bytes.
    std::int64_t logWrittenAt_;
    std::mutex statesMutex_;
    std::map<std::type_index, std::shared_ptr<void>> states_;
};

}  // namespace ostrand::sim
