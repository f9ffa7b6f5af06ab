#pragma once
// The settings file: a Windows-style profile (INI) file read through two small
// functions with default write-back. Sections and keys match case-insensitively
// (ASCII), values are cut to 511 bytes, and every other line of the file is kept
// as it was when a value is written. The file is never held open; its parsed
// text is kept while the file is unchanged (profile_cache.h), and writes go
// through file_replace.h (atomic, through symlinks, never over a file this
// process may not write).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrand {

inline constexpr std::size_t kProfileValueBufferSize = 512;  // a value is cut to 511 bytes
inline constexpr std::string_view kDefaultProfileSection = "common";

// "<executable base name>.ini", e.g. "ostrand.ini" for the program "ostrand".
std::string SettingsFileName();

// The path rule: a name that starts with "\" or "/", or whose second character
// is ":", is used unchanged; any other name is taken relative to the current
// working directory at the time of the call. An empty name means the settings
// file (or the file given to UseSettingsFile).
std::string ResolveProfilePath(std::string_view fileName);

// Returns the stored value. A missing or empty value gives the default and, when
// a default is supplied (even an empty one), writes it back under section/key.
// An empty section means "common".
std::string ReadIniString(std::string_view key, std::optional<std::string_view> defaultText,
                          std::string_view fileName = {}, std::string_view section = {});

// The integer at the start of the value (white space and sign allowed, stops at
// the first non-digit, no digits gives 0). A present default is written back as "%d".
std::int32_t ReadIniInt(std::optional<std::int32_t> defaultValue, std::string_view key,
                        std::string_view fileName = {}, std::string_view section = {});

// Writes one value, creating the file or section when needed. False when the
// file cannot be written.
bool WriteIniString(std::string_view key, std::string_view value,
                    std::string_view fileName = {}, std::string_view section = {});

// The command-line tool reads another program's settings file and writes no
// file unless asked. Both are set once at start-up, before other threads run.
// UseSettingsFile: the file an empty name means (empty: the derived name).
void UseSettingsFile(std::string path);
// Off: a missing value gives its default without being written back.
void SetProfileWriteBack(bool enabled);

}  // namespace ostrand
