#include "platform/profile.h"

#include <atomic>
#include <climits>
#include <mutex>

#include "platform/paths.h"
#include "platform/profile_cache.h"

namespace ostrand {
namespace {

std::string_view SectionOrDefault(std::string_view section) {
    return section.empty() ? kDefaultProfileSection : section;
}

// Set once at start-up (before other threads run) by the command-line tool.
std::string g_settingsFileOverride;
std::atomic<bool> g_writeBack{true};

}  // namespace

void UseSettingsFile(std::string path) { g_settingsFileOverride = std::move(path); }

void SetProfileWriteBack(bool enabled) { g_writeBack.store(enabled, std::memory_order_relaxed); }

std::string SettingsFileName() { return ExecutableBaseName() + ".ini"; }

std::string ResolveProfilePath(std::string_view fileName) {
    std::string name = !fileName.empty()                  ? std::string(fileName)
                       : !g_settingsFileOverride.empty() ? g_settingsFileOverride
                                                         : SettingsFileName();
    if (name.front() == '\\' || name.front() == '/' || (name.size() >= 2 && name[1] == ':')) return name;
    const FileFolders& folders = ProgramFileFolders();
    return (folders.config.empty() ? CurrentDirectory() : folders.config) + "/" + name;
}

bool WriteIniString(std::string_view key, std::string_view value, std::string_view fileName,
                    std::string_view section) {
    const std::string path = ResolveProfilePath(fileName);
    // Read, change and store as one step, so two threads writing keys of the
    // same file never lose one of the two values.
    static std::mutex writeMutex;
    std::lock_guard lock(writeMutex);
    const auto document = LoadProfileDocument(path);
    if (!document) return false;  // never replace a file whose text could not be read
    return StoreProfileDocument(path, document->WithValue(SectionOrDefault(section), key, value));
}

std::string ReadIniString(std::string_view key, std::optional<std::string_view> defaultText,
                          std::string_view fileName, std::string_view section) {
    const std::string path = ResolveProfilePath(fileName);
    std::string value;
    {
        const auto document = LoadProfileDocument(path);
        const auto stored = document ? document->Find(SectionOrDefault(section), key) : std::nullopt;
        if (stored) value = std::string(stored->substr(0, kProfileValueBufferSize - 1));
    }
    if (value.empty()) {
        if (!defaultText) return {};
        // A failed write-back is not an error.
        if (g_writeBack.load(std::memory_order_relaxed)) WriteIniString(key, *defaultText, fileName, section);
        value = std::string(*defaultText);
    }
    if (value.size() > kProfileValueBufferSize - 1) value.resize(kProfileValueBufferSize - 1);
    return value;
}

std::int32_t ReadIniInt(std::optional<std::int32_t> defaultValue, std::string_view key, std::string_view fileName,
                        std::string_view section) {
    std::optional<std::string> defaultText;
    if (defaultValue) defaultText = std::to_string(*defaultValue);
    const std::string text =
        defaultText ? ReadIniString(key, std::string_view(*defaultText), fileName, section)
                    : ReadIniString(key, std::nullopt, fileName, section);

    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<std::int32_t>(value);
}

}  // namespace ostrand
