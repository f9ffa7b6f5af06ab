// The upgrade's readers of untrusted text: the names of chosen images (and
// the versions and flag texts derived from them), the device list's version
// texts, and the version check's reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/ops/fuzz_input.h"
#include "ops/upgrade/upgrade_file_name.h"
#include "ops/upgrade/upgrade_status.h"
#include "ops/upgrade/upgrade_worker.h"

namespace {

using namespace ostrand;

struct NullRow final : UpgradeRowSink {
    void Status(const std::string&, RowPhase) override {}
    void Progress(std::uint64_t, std::uint64_t) override {}
};

void Names(std::string_view name) {
    for (const UpgradeKind kind : {UpgradeKind::Application, UpgradeKind::Kernel}) {
        if (const auto versions = ParseUpgradeFileName(name, kind)) {
            // Every piece is a part of the name.
            if (versions->hardware.size() + versions->kernel.size() + versions->application.size() > name.size()) {
                std::abort();
            }
            (void)KernelFlagText(versions->application);
        }
        (void)UpgradeNameRefusalText(kind);
    }
    for (const std::int32_t port : {80, 60005}) (void)IsLegacyFirmware(port, name);
}

void VersionCheck(unsigned selector) {
    CommandTarget target("127.0.0.1", (selector & 1) != 0 ? 60005 : 80);
    NullRow row;
    const UpgradeVersions versions{"HW1", "K9", "1.2.3456"};
    (void)CheckAllVersions(row, target, versions, (selector & 2) != 0 ? UpgradeKind::Kernel : UpgradeKind::Application);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = ostrand::fuzz::SplitInput(data, size);
    ostrand::fuzz::ScriptReplies(input.rest);
    if (input.selector % 2 == 0) {
        Names(input.rest);
    } else {
        VersionCheck(input.selector >> 1);
    }
    return 0;
}
