#include "ops/upgrade/upgrade_worker.h"

#include <cerrno>
#include <exception>
#include <fstream>

#include "devices/device_ports.h"
#include "ops/shell/command_gates.h"
#include "ops/upgrade/upload_sender.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "transport/failure_note.h"

namespace ostrand {
namespace {

class RowWriter {
public:
    RowWriter(UpgradeRowSink& row, UpgradeKind kind) : row_(row), kind_(kind) {}
    void operator()(UpgradeStep step) { row_.Status(UpgradeStepText(step, kind_), FinalPhaseOf(step)); }
    void operator()(UpgradeStep step, RowPhase phase) { row_.Status(UpgradeStepText(step, kind_), phase); }
    void UploadFailure(UploadResult result) { row_.Status(UploadResultText(result), RowPhase::Failed); }
    UploadProgress Progress(std::uint64_t total) {
        row_.Progress(0, total);
        return [this, total](std::uint64_t sent) { row_.Progress(sent, total); };
    }

private:
    UpgradeRowSink& row_;
    UpgradeKind kind_;
};

// The common start of both workers: false when the worker ends here (the row
// says why).
bool CommonStart(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row,
                 CommandTarget& target) {
    RowWriter write(row, package.kind);
    if (!package.image) {
        write(UpgradeStep::FileUnreadable);
        return false;
    }
    write(UpgradeStep::Connecting);
    TransportFailureWatch gateFailure;
    if (KernelUpgradeGate(target, device.ip, device.port) == KernelState::Busy) {
        // The gate takes a device it cannot ask as busy; the reason says which it was.
        if (gateFailure.Last() && *gateFailure.Last() != kTransportOk) {
            row.Reason(std::string("getUpdateKernelStatus: ") + TransportResultText(*gateFailure.Last()));
        }
        write(UpgradeStep::KernelBusy);
        return false;
    }
    target.Set(device.ip, device.port);
    if (IsLegacyFirmware(device.port, device.version)) return true;
    return CheckAllVersions(row, target, package.versions, package.kind);
}

void LogUploadFailure(const char* form, const UpgradeDevice& device, const HttpUploadOutcome& outcome,
                      UpgradeRowSink& row) {
    WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "%s %s:%d failed: %s", form, device.ip.c_str(), device.port,
             outcome.detail.c_str());
    row.Reason(outcome.detail);
}

void WriteUploadOutcome(RowWriter& write, const HttpUploadOutcome& outcome) {
    write(outcome.kind == HttpUploadOutcome::Kind::BadName ? UpgradeStep::BadUploadName : UpgradeStep::UploadFailed);
}

// Port 60005: the 5012 header with the update type, then the packets.
bool UploadOverTcp(const UpgradePackage& package, const UpgradeDevice& device, RowWriter& write,
                   const char* updateType) {
    const DeviceEndpoint endpoint{device.ip, static_cast<std::uint16_t>(kTcpCommandPort)};
    const std::string& image = *package.image;
    UploadResult result = AnnounceUploadTcp(endpoint, image.size(), updateType);
    if (result != kUploadOk) {
        write.UploadFailure(result);
        return false;
    }
    write(UpgradeStep::TcpUploading);
    result = SendUploadPacketsTcp(endpoint, image, write.Progress(image.size()));
    if (result != kUploadOk) {
        write.UploadFailure(result);
        return false;
    }
    return true;
}

ParamMap KernelAnnouncement(const UpgradePackage& package, const UpgradeDevice& device) {
    ParamMap request;
    request["kernelFlag"] = KernelFlagText(package.versions.application);
    if (IsLegacyFirmware(device.port, device.version)) request["kernelVer"] = package.versions.kernel;
    request["kernelSize"] = std::to_string(package.image->size());
    return request;
}

// "UpdateKernel": false when the device cannot be told or refuses (the row says why).
bool AnnounceKernel(CommandTarget& target, const ParamMap& announcement, RowWriter& write) {
    try {
        ParamMap request = announcement;
        ParamMap reply;
        if (const TransportResult sent = PostFormCommandCoded(target, "UpdateKernel", request, reply);
            sent != kTransportOk) {
            // A version that cannot travel was never sent: the network is not to blame.
            write(sent == kTransportBadParameter ? UpgradeStep::BadUploadName : UpgradeStep::AnnounceUnreachable);
            return false;
        }
        const std::string& result = reply["result"];
        if (result == "InfErr") write(UpgradeStep::AnnounceWrong);
        else if (result == "VerOld") write(UpgradeStep::KernelTooOld);
        else if (result == "ClnErr") write(UpgradeStep::NoMemory);
        else return true;
        return false;
    } catch (const std::exception&) {
        WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "UpdateKernel Unknow Exception occur!::%d", errno);
        write(UpgradeStep::AnnounceUnreachable);
        return false;
    }
}

// Port 80: asks until the device says its flash is written.
bool PollKernelWrite(CommandTarget& target, const ParamMap& announcement) {
    Clock& clock = CurrentClock();
    const Clock::TimePoint limit = clock.Now() + kKernelPollingLimit;
    for (int poll = 1; poll <= kKernelWritePolls; ++poll) {
        try {
            ParamMap request = announcement;
            ParamMap reply;
            if (PostFormCommandCoded(target, "CheckKernelWriteStatus", request, reply) == kTransportOk &&
                reply["result"] == "yes") {
                return true;
            }
        } catch (const std::exception&) {
            WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "CheckKernelWriteStatus Unknow Exception occur!::%d", errno);
        }
        if (poll == kKernelWritePolls || clock.Now() >= limit) break;
        clock.SleepFor(kKernelPollInterval);
    }
    return false;
}

}  // namespace

std::shared_ptr<const std::string> ReadUpgradeImage(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return nullptr;
    std::ifstream file(path, std::ios::binary);
    if (!file) return nullptr;
    auto bytes = std::make_shared<std::string>();
    bytes->resize(static_cast<std::size_t>(size));
    file.read(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    // A file that changed size while being read is not the file that was chosen.
    if (static_cast<std::uintmax_t>(file.gcount()) != size || file.peek() != std::ifstream::traits_type::eof()) {
        return nullptr;
    }
    return bytes;
}

bool CheckAllVersions(UpgradeRowSink& row, CommandTarget& target, const UpgradeVersions& versions,
                      UpgradeKind kind) {
    RowWriter write(row, kind);
    try {
        ParamMap request{{"checkvek", kind == UpgradeKind::Application ? "1" : "0"},
                         {"hardver", versions.hardware},
                         {"kernelver", versions.kernel},
                         {"vekipcver", versions.application}};
        ParamMap reply;
        if (const TransportResult sent = PostFormCommandCoded(target, "checkallversion", request, reply);
            sent != kTransportOk) {
            write(sent == kTransportBadParameter ? UpgradeStep::BadUploadName : UpgradeStep::CheckUnreachable);
            return false;
        }
        const std::string& result = reply["checkresult"];
        if (result == "3") write(UpgradeStep::HardwareMismatch);
        else if (result == "2") write(UpgradeStep::KernelMismatch);
        else if (result == "1") write(UpgradeStep::ApplicationTooOld);
        else return true;
        return false;
    } catch (const std::exception&) {
        WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "checkallversion Unknow Exception occur!::%d", errno);
        write(UpgradeStep::CheckUnreachable);
        return false;
    }
}

void ApplicationUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row) {
    CommandTarget target;
    if (!CommonStart(package, device, row, target)) return;
    RowWriter write(row, package.kind);
    if (device.port == kTcpCommandPort) {
        if (UploadOverTcp(package, device, write, "1")) write(UpgradeStep::TcpUploadSucceeded);
        return;
    }
    const std::string& image = *package.image;
    const HttpUploadOutcome outcome =
        UploadApplicationHttp(device.ip, device.port, package.fileName, image, write.Progress(image.size()));
    if (outcome.kind == HttpUploadOutcome::Kind::Ok) {
        write(UpgradeStep::HttpUploadSucceeded);
        return;
    }
    LogUploadFailure("formUploadFile", device, outcome, row);
    WriteUploadOutcome(write, outcome);
}

void KernelUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row) {
    CommandTarget target;
    if (!CommonStart(package, device, row, target)) return;
    RowWriter write(row, package.kind);
    Clock& clock = CurrentClock();
    if (device.port == kTcpCommandPort) {
        if (!UploadOverTcp(package, device, write, "0")) return;
        write(UpgradeStep::KernelWriting, RowPhase::Running);
        row.TransferEnded();
        clock.SleepFor(kKernelTcpWriteWait);
        write(UpgradeStep::KernelTcpDone);
        return;
    }
    const ParamMap announcement = KernelAnnouncement(package, device);
    if (!AnnounceKernel(target, announcement, write)) return;
    write(UpgradeStep::ImageUploading);
    const std::string& image = *package.image;
    const HttpUploadOutcome outcome =
        UploadKernelImageHttp(device.ip, device.port, package.fileName, image, write.Progress(image.size()));
    if (outcome.kind != HttpUploadOutcome::Kind::Ok) {
        LogUploadFailure("formUploadImage", device, outcome, row);
        WriteUploadOutcome(write, outcome);
        return;
    }
    write(UpgradeStep::KernelWriting, RowPhase::Running);
    row.TransferEnded();
    if (device.port != kVideoCommandPort) {
        clock.SleepFor(kKernelOtherPortWriteWait);
        write(UpgradeStep::KernelWriting, RowPhase::Succeeded);
        return;
    }
    clock.SleepFor(kKernelPollStartWait);
    write(PollKernelWrite(target, announcement) ? UpgradeStep::KernelWriteDone : UpgradeStep::FlashProblem);
}

void RunUpgradeWorker(const UpgradePackage& package, const UpgradeDevice& device, UpgradeRowSink& row) {
    try {
        if (package.kind == UpgradeKind::Kernel) KernelUpgradeWorker(package, device, row);
        else ApplicationUpgradeWorker(package, device, row);
    } catch (const std::exception& e) {
        WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "upgrade of %s:%d Unknow Exception occur!::%d (%s)",
                 device.ip.c_str(), device.port, errno, e.what());
        row.Reason(e.what());
        RowWriter(row, package.kind)(UpgradeStep::WorkerFailed);
    } catch (...) {
        WriteLog(OSTRAND_LOG_UPDATE_RATE, __LINE__, "upgrade of %s:%d Unknow Exception occur!::%d",
                 device.ip.c_str(), device.port, errno);
        RowWriter(row, package.kind)(UpgradeStep::WorkerFailed);
    }
}

}  // namespace ostrand
