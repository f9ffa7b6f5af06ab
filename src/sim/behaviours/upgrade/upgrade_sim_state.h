#pragma once
// What a simulated device keeps about upgrades: the answers its version check
// and kernel announcement give, how long its flash takes to write, the upload
// faults it plays on request, and the versions it was last told about (a TCP
// upload carries no file name). Starting values come from the fleet file's
// "state": {"upgrade": {...}}; tests change them at run time.

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/device.h"

namespace ostrand::sim {

enum class UploadFaultKind : std::uint8_t {
    None,
    Reset,   // the connection is closed once `afterBytes` have arrived
    Stall,   // the device stops answering once `afterBytes` have arrived
    Refuse,  // the whole file arrives and is refused (HTTP `status`, TCP a refused ack)
};

struct UploadFault {
    UploadFaultKind kind = UploadFaultKind::None;
    std::uint64_t afterBytes = 0;
    int status = 500;
};

// How the device's web server answers an upload request, as small embedded
// servers do.
enum class UploadAnswerStyle : std::uint8_t {
    KeepAlive,  // "HTTP/1.1", the connection kept for the next request
    Http10,     // "HTTP/1.0 200 OK" with a length, the connection closed after every answer
    Close,      // "HTTP/1.1" without "Connection: close", then closed all the same
    Continue,   // "HTTP/1.1 100 Continue" once the head has arrived, then the answer
};

struct UpgradeSimState {
    bool loaded = false;
    std::string checkResult = "0";      // "checkresult" of "checkallversion"
    std::string kernelResult = "10000";  // "result" of "UpdateKernel" (InfErr, VerOld, ClnErr refuse)
    int pollsUntilWritten = 1;          // "CheckKernelWriteStatus" says "yes" from this poll on; < 0 never
    int polls = 0;
    UploadFault fault;
    UploadAnswerStyle answerStyle = UploadAnswerStyle::KeepAlive;
    std::string announcedKernel;       // "kernelver" of the last version check
    std::string announcedApplication;  // "vekipcver" of the last version check
    int completedUpgrades = 0;
};

// Runs `use` on the device's upgrade state, filled from the fleet file on
// first use.
template <class Use>
decltype(auto) WithUpgradeState(Device& device, Use&& use) {
    nlohmann::json start = device.StartingState("upgrade");
    if (!start.is_object()) start = nlohmann::json::object();
    return device.WithState<UpgradeSimState>([&](UpgradeSimState& state) -> decltype(auto) {
        if (!state.loaded) {
            state.loaded = true;
            state.checkResult = start.value("checkresult", state.checkResult);
            state.kernelResult = start.value("kernelResult", state.kernelResult);
            state.pollsUntilWritten = start.value("pollsUntilWritten", state.pollsUntilWritten);
            const std::string fault = start.value("uploadFault", std::string());
            state.fault.kind = fault == "reset"    ? UploadFaultKind::Reset
                               : fault == "stall"  ? UploadFaultKind::Stall
                               : fault == "refuse" ? UploadFaultKind::Refuse
                                                   : UploadFaultKind::None;
            state.fault.afterBytes = start.value("uploadFaultAfter", std::uint64_t{0});
            state.fault.status = start.value("uploadStatus", state.fault.status);
            const std::string style = start.value("uploadAnswer", std::string());
            state.answerStyle = style == "http10"     ? UploadAnswerStyle::Http10
                                : style == "close"    ? UploadAnswerStyle::Close
                                : style == "continue" ? UploadAnswerStyle::Continue
                                                      : UploadAnswerStyle::KeepAlive;
        }
        return use(state);
    });
}

inline UploadFault CurrentUploadFault(Device& device) {
    return WithUpgradeState(device, [](UpgradeSimState& state) { return state.fault; });
}

inline UploadAnswerStyle CurrentUploadAnswerStyle(Device& device) {
    return WithUpgradeState(device, [](UpgradeSimState& state) { return state.answerStyle; });
}

// A whole upgrade file arrived: "http" (application, named), "image" (kernel,
// named) or "tcp" (the update type "1" application or "0" kernel, versions
// from the last version check). The device then shows the new version in its
// scan reply and its settings.
void NoteUpgradeReceived(Device& device, std::string_view channel, std::string_view nameOrType);

}  // namespace ostrand::sim
