#pragma once
// One device's upgrade: the kernel-state gate, the version check, the image
// transfer and, for a kernel image, following the device while it writes its
// flash. Each step is written into the device's row; the last write is the
// row's result. Runs on a worker thread of its own; every wait goes through
// the process clock so tests pass minutes in an instant.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ops/upgrade/upgrade_file_name.h"
#include "ops/upgrade/upgrade_status.h"
#include "transport/form_channel.h"

namespace ostrand {

// A device as the upgrade takes it from the device list (GBK texts).
struct UpgradeDevice {
    std::string ip;
    std::int32_t port = 0;  // commandPort
    std::string deviceNumber;
    std::string name;
    std::string version;
};

// The chosen image: read once, shared read-only by every worker.
struct UpgradePackage {
    UpgradeKind kind = UpgradeKind::Application;
    UpgradeVersions versions;           // pieces 1-3 of the name (GBK)
    std::string fileName;               // without folder, UTF-8: the name sent with HTTP uploads
    std::shared_ptr<const std::string> image;  // null when the file could not be read
};

// The whole file, or null when it cannot be read.
std::shared_ptr<const std::string> ReadUpgradeImage(const std::filesystem::path& path);

// Where a worker writes its row's status and the upload's progress. Called on
// the worker's thread.
class UpgradeRowSink {
public:
    virtual ~UpgradeRowSink() = default;
    virtual void Status(const std::string& text, RowPhase phase) = 0;
    virtual void Progress(std::uint64_t sent, std::uint64_t total) = 0;
    // Why the step written next failed, as the log has it ("status 500",
    // "cannot connect to ..."); written just before that step.
    virtual void Reason(const std::string& /*text*/) {}
    // The image has left: what follows only waits for the device (a kernel
    // write), so a bound on transfers at once may let the next device start.
    virtual void TransferEnded() {}
};

// "checkallversion": true when the device takes the image; otherwise the
// reason is in the row.
bool CheckAllVersions(UpgradeRowSink& row, CommandTarget& target, const UpgradeVersions& versions,
                      UpgradeKind kind);

void ApplicationUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row);
void KernelUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row);

// The kind's worker; an unexpected failure is logged and ends the row as
// failed instead of the program.
void RunUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row);

// The waits of a kernel upgrade.
inline constexpr std::chrono::seconds kKernelTcpWriteWait{180};
inline constexpr std::chrono::seconds kKernelOtherPortWriteWait{180};
inline constexpr std::chrono::seconds kKernelPollStartWait{60};
inline constexpr std::chrono::seconds kKernelPollInterval{1};
inline constexpr int kKernelWritePolls = 301;
// However long each poll waits for a silent device, polling ends after this.
inline constexpr std::chrono::minutes kKernelPollingLimit{10};

}  // namespace ostrand
