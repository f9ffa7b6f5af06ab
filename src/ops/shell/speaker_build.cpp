#include "ops/shell/speaker_build.h"

#include <mutex>

#include "devices/device_list.h"

namespace ostrand {
namespace {
constexpr std::int32_t kLastOldClassPageBuild = 236;

std::mutex g_mutex;
SpeakerBuildInfo g_info;
}  // namespace

void RecordSpeakerVersion(std::string_view versionText) {
    std::lock_guard lock(g_mutex);
    g_info.versionText = std::string(versionText);
    if (const auto dot = versionText.rfind('.'); dot != std::string_view::npos) {
        g_info.buildNumber = CellInt(versionText.substr(dot + 1));
    }
    g_info.newClassPage = g_info.buildNumber > kLastOldClassPageBuild;
}

SpeakerBuildInfo CurrentSpeakerBuild() {
    std::lock_guard lock(g_mutex);
    return g_info;
}

void ResetSpeakerBuild() {
    std::lock_guard lock(g_mutex);
    g_info = {};
}

}  // namespace ostrand
