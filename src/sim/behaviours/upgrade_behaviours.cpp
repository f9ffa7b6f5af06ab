// The device side of firmware and application upgrades: the version check,
// the kernel announcement, the flash write status, and the new version a
// device shows once an image has arrived.

#include <vector>

#include "sim/behaviours/upgrade/upgrade_sim_state.h"
#include "sim/command_behaviours.h"

namespace ostrand::sim {
namespace {

std::string Value(const ParamMap& request, const char* key) {
    const auto it = request.find(key);
    return it == request.end() ? std::string() : it->second;
}

std::vector<std::string> NamePieces(std::string_view name) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || (name[i] == '_' && pieces.size() < 3)) {
            pieces.emplace_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return pieces;
}

bool IsApplicationVersion(std::string_view text) {
    if (text.size() != 8) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dot = i == 1 || i == 3;
        if (dot ? text[i] != '.' : (text[i] < '0' || text[i] > '9')) return false;
    }
    return true;
}

// The version text with its application version (the last 8 bytes) replaced.
std::string WithApplicationVersion(const std::string& version, const std::string& application) {
    if (version.size() >= 8 && IsApplicationVersion(std::string_view(version).substr(version.size() - 8))) {
        return version.substr(0, version.size() - 8) + application;
    }
    return application;
}

ParamMap CheckAllVersion(Device& device, const ParamMap& request) {
    return WithUpgradeState(device, [&](UpgradeSimState& state) {
        state.announcedKernel = Value(request, "kernelver");
        state.announcedApplication = Value(request, "vekipcver");
        return ParamMap{{"checkresult", state.checkResult}};
    });
}

ParamMap UpdateKernel(Device& device, const ParamMap& /*request*/) {
    return WithUpgradeState(device, [](UpgradeSimState& state) {
        state.polls = 0;
        return ParamMap{{"result", state.kernelResult}};
    });
}

ParamMap CheckKernelWriteStatus(Device& device, const ParamMap& /*request*/) {
    return WithUpgradeState(device, [](UpgradeSimState& state) {
        ++state.polls;
        const bool written = state.pollsUntilWritten >= 0 && state.polls >= state.pollsUntilWritten;
        return ParamMap{{"result", written ? "yes" : "no"}};
    });
}

}  // namespace

void NoteUpgradeReceived(Device& device, std::string_view channel, std::string_view nameOrType) {
    std::string application;
    std::string kernel;
    bool isKernel = false;
    if (channel == "tcp") {
        isKernel = nameOrType == "0";
        WithUpgradeState(device, [&](UpgradeSimState& state) {
            application = state.announcedApplication;
            kernel = state.announcedKernel;
        });
    } else {
        const auto pieces = NamePieces(nameOrType);
        if (pieces.size() < 4) return;
        isKernel = channel == "image";
        kernel = pieces[1];
        application = pieces[2];
    }
    WithUpgradeState(device, [](UpgradeSimState& state) { ++state.completedUpgrades; });
    if (!IsApplicationVersion(application)) return;
    DeviceRecord record = device.Record();
    const std::string version = WithApplicationVersion(FieldText(record.version), application);
    SetFieldText(record.version, version);
    device.SetRecord(record);
    device.SetSetting("version", version);
    if (isKernel && !kernel.empty()) device.SetSetting("kernelver", kernel);
}

void AddUpgradeBehaviours(CommandBehaviours& table) {
    table.AddName("checkallversion", CheckAllVersion);
    table.AddName("UpdateKernel", UpdateKernel);
    table.AddName("CheckKernelWriteStatus", CheckKernelWriteStatus);
}

}  // namespace ostrand::sim
