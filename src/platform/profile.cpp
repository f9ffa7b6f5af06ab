#include "platform/profile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/paths.h"

namespace ostrand {
namespace {

// One line of the file as it was read, with its line ending, so a write keeps
// every line it does not change byte for byte.
struct ProfileLine {
    std::string text;
    std::string ending;
};

std::string_view Trim(std::string_view text) {
    const char* spaces = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(spaces);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive for ASCII letters; the two bytes of a GBK character are
// compared exactly, so a trail byte that happens to be a letter is not folded.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (static_cast<unsigned char>(a[i]) >= 0x81 && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

std::vector<ProfileLine> ReadLines(const std::string& path, bool& exists) {
    std::vector<ProfileLine> lines;
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in) return lines;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string content = buffer.str();
    std::size_t start = 0;
    while (start < content.size()) {
        const auto newline = content.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({content.substr(start), ""});
            break;
        }
        std::size_t end = newline;
        std::string ending = "\n";
        if (end > start && content[end - 1] == '\r') {
            --end;
            ending = "\r\n";
        }
        lines.push_back({content.substr(start, end - start), ending});
        start = newline + 1;
    }
    return lines;
}

// A section header "[name]"; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto text = Trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    const auto close = text.find(']');
    if (close == std::string_view::npos) return Trim(text.substr(1));
    return Trim(text.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const auto key = Trim(line.substr(0, equals));
    if (key.empty()) return std::nullopt;
    auto value = Trim(line.substr(equals + 1));
    // A value written in matching quotes is returned without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return KeyLine{key, value};
}

struct Location {
    std::optional<std::size_t> sectionLine;  // index of the "[section]" line
    std::optional<std::size_t> keyLine;      // index of the key line inside it
    std::size_t lastContentLine = 0;         // last non-blank line of the section
};

Location Find(const std::vector<ProfileLine>& lines, std::string_view section, std::string_view key) {
    Location location;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionName(lines[i].text)) {
            if (inside) break;  // the first section of that name is the one used
            if (SameName(*name, section)) {
                inside = true;
                location.sectionLine = i;
                location.lastContentLine = i;
            }
            continue;
        }
        if (!inside) continue;
        if (!Trim(lines[i].text).empty()) location.lastContentLine = i;
        if (location.keyLine) continue;
        if (auto parsed = ParseKeyLine(lines[i].text); parsed && SameName(parsed->key, key)) {
            location.keyLine = i;
        }
    }
    return location;
}

std::string_view SectionOrDefault(std::string_view section) {
    return section.empty() ? kDefaultProfileSection : section;
}

bool WriteLines(const std::string& path, const std::vector<ProfileLine>& lines) {
    // Written beside the file and renamed over it, so a failed write never
    // leaves a half-written settings file behind.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& line : lines) out << line.text << line.ending;
        out.flush();
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string SettingsFileName() { return ExecutableBaseName() + ".ini"; }

std::string ResolveProfilePath(std::string_view fileName) {
    std::string name = fileName.empty() ? SettingsFileName() : std::string(fileName);
    if (name.front() == '\\' || name.front() == '/' || (name.size() >= 2 && name[1] == ':')) return name;
    return CurrentDirectory() + "/" + name;
}

bool WriteIniString(std::string_view key, std::string_view value, std::string_view fileName,
                    std::string_view section) {
    const std::string path = ResolveProfilePath(fileName);
    const std::string_view sectionName = SectionOrDefault(section);
    bool exists = false;
    auto lines = ReadLines(path, exists);

    std::string ending = "\n";
    if (!lines.empty() && !lines.front().ending.empty()) ending = lines.front().ending;
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    const Location location = Find(lines, sectionName, key);
    if (location.keyLine) {
        lines[*location.keyLine].text = keyLine;
    } else if (location.sectionLine) {
        const std::size_t at = location.lastContentLine;
        if (lines[at].ending.empty()) lines[at].ending = ending;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at + 1), ProfileLine{keyLine, ending});
    } else {
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = ending;
        lines.push_back({"[" + std::string(sectionName) + "]", ending});
        lines.push_back({keyLine, ending});
    }
    return WriteLines(path, lines);
}

std::string ReadIniString(std::string_view key, std::optional<std::string_view> defaultText,
                          std::string_view fileName, std::string_view section) {
    const std::string path = ResolveProfilePath(fileName);
    bool exists = false;
    const auto lines = ReadLines(path, exists);
    const Location location = Find(lines, SectionOrDefault(section), key);

    std::string value;
    if (location.keyLine) value = std::string(ParseKeyLine(lines[*location.keyLine].text)->value);
    if (value.empty()) {
        if (!defaultText) return {};
        WriteIniString(key, *defaultText, fileName, section);  // a failed write-back is not an error
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
