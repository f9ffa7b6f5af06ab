#include "platform/app_state.h"

#include <atomic>

#ifndef OSTRAND_FILE_VERSION
#define OSTRAND_FILE_VERSION ""
#endif

namespace ostrand {
namespace {
std::atomic<Language> g_language{Language::Chinese};
std::atomic<std::int32_t> g_connectTimeoutSeconds{3};
}  // namespace

Language UiLanguage() { return g_language.load(std::memory_order_relaxed); }
void SetUiLanguage(Language language) { g_language.store(language, std::memory_order_relaxed); }

const char* Tr(const char* chinese, const char* english) {
    return UiLanguage() == Language::Chinese ? chinese : english;
}

std::int32_t ConnectTimeoutSeconds() { return g_connectTimeoutSeconds.load(std::memory_order_relaxed); }
void SetConnectTimeoutSeconds(std::int32_t seconds) {
    g_connectTimeoutSeconds.store(seconds, std::memory_order_relaxed);
}

std::string CutVersionText(std::string_view fileVersion) {
    const auto first = fileVersion.find('.');
    if (first == std::string_view::npos) return std::string(fileVersion);
    const auto second = fileVersion.find('.', first + 1);
    if (second == std::string_view::npos) return std::string(fileVersion);
    return std::string(fileVersion.substr(0, second));
}

std::string FileVersionText() { return OSTRAND_FILE_VERSION; }
std::string AppVersionText() { return CutVersionText(FileVersionText()); }

}  // namespace ostrand
