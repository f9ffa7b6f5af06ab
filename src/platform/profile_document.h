#pragma once
// One settings file's text, parsed once: the bytes as they were read and an
// index of its section headers, so a key is found by scanning only its own
// section and a write changes exactly one line of the text. Memory stays
// close to the file's size (the text plus 16 bytes per section header).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand {

class ProfileDocument {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string content);

    const std::string& Content() const { return content_; }

    // The value of `key` in the first section named `section` (names compare
    // case-insensitively for ASCII), trimmed and without matching quotes;
    // nullopt when the section or key is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // The document with section/key set to value: the key's line is replaced,
    // or a line is added after the section's last non-blank line, or the
    // section is appended. Every other byte stays as it was, and the header
    // index is moved along rather than built again.
    ProfileDocument WithValue(std::string_view section, std::string_view key, std::string_view value) const;

    // Case-insensitive for ASCII letters; the two bytes of a GBK character are
    // compared exactly, so a trail byte that happens to be a letter is not folded.
    static bool SameName(std::string_view a, std::string_view b);

private:
    struct SectionEntry {
        std::uint64_t nameHash;  // hash of the folded name
        std::size_t offset;      // where the header line starts
    };
    // Where a section's lines lie and what WithValue needs from them.
    struct SectionSpan {
        std::size_t headerOffset = 0;
        std::optional<std::size_t> keyLineStart;  // first line holding the key
        std::size_t keyLineTextEnd = 0;           // end of that line, before its ending
        std::size_t lastContentTextEnd = 0;       // end of the last non-blank line's text
        std::size_t lastContentLineEnd = 0;       // after that line's ending
    };

    std::optional<std::size_t> SectionOffset(std::string_view section) const;
    SectionSpan Scan(std::size_t headerOffset, std::string_view key) const;
    std::string LineEnding() const;

    std::string content_;
    std::vector<SectionEntry> sections_;  // sorted by (nameHash, offset)
};

}  // namespace ostrand
