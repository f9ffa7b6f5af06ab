#include "platform/profile_document.h"

#include <algorithm>

namespace ostrand {
namespace {

std::string_view Trim(std::string_view text) {
    const char* spaces = " \t\r\n\f\v";
    const auto first = text.find_first_not_of(spaces);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(spaces);
    return text.substr(first, last - first + 1);
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsGbkLead(char c) { return static_cast<unsigned char>(c) >= 0x81; }

// FNV-1a over the name as SameName sees it, so names that compare equal hash equal.
std::uint64_t FoldedHash(std::string_view name) {
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](char c) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (IsGbkLead(name[i]) && i + 1 < name.size()) {
            mix(name[i]);
            mix(name[++i]);
            continue;
        }
        mix(FoldAscii(name[i]));
    }
    return hash;
}

// One line of the text: [start, textEnd) is its text, [textEnd, end) its ending
// ("\n" or "\r\n"; none on a last line without a line feed).
struct Line {
    std::size_t start;
    std::size_t textEnd;
    std::size_t end;
};

Line LineAt(const std::string& content, std::size_t start) {
    const auto newline = content.find('\n', start);
    if (newline == std::string::npos) return {start, content.size(), content.size()};
    std::size_t textEnd = newline;
    if (textEnd > start && content[textEnd - 1] == '\r') --textEnd;
    return {start, textEnd, newline + 1};
}

std::string_view TextOf(const std::string& content, const Line& line) {
    return std::string_view(content).substr(line.start, line.textEnd - line.start);
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

}  // namespace

bool ProfileDocument::SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsGbkLead(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

ProfileDocument::ProfileDocument(std::string content) : content_(std::move(content)) {
    for (std::size_t start = 0; start < content_.size();) {
        const Line line = LineAt(content_, start);
        // Most lines are keys: only one starting with blanks or "[" can be a header.
        const char first = content_[start];
        if (first == '[' || first == ' ' || first == '\t' || first == '\f' || first == '\v' || first == '\r') {
            if (auto name = SectionName(TextOf(content_, line))) sections_.push_back({FoldedHash(*name), start});
        }
        start = line.end;
    }
    std::sort(sections_.begin(), sections_.end(), [](const SectionEntry& a, const SectionEntry& b) {
        return a.nameHash != b.nameHash ? a.nameHash < b.nameHash : a.offset < b.offset;
    });
    sections_.shrink_to_fit();
}

std::optional<std::size_t> ProfileDocument::SectionOffset(std::string_view section) const {
    const std::uint64_t hash = FoldedHash(section);
    auto it = std::lower_bound(sections_.begin(), sections_.end(), hash,
                               [](const SectionEntry& entry, std::uint64_t h) { return entry.nameHash < h; });
    // Entries of one hash are in file order: the first whose name matches is
    // the first section of that name, the one every lookup uses.
    for (; it != sections_.end() && it->nameHash == hash; ++it) {
        const auto name = SectionName(TextOf(content_, LineAt(content_, it->offset)));
        if (name && SameName(*name, section)) return it->offset;
    }
    return std::nullopt;
}

ProfileDocument::SectionSpan ProfileDocument::Scan(std::size_t headerOffset, std::string_view key) const {
    SectionSpan span;
    span.headerOffset = headerOffset;
    const Line header = LineAt(content_, headerOffset);
    span.lastContentTextEnd = header.textEnd;
    span.lastContentLineEnd = header.end;
    for (std::size_t start = header.end; start < content_.size();) {
        const Line line = LineAt(content_, start);
        const std::string_view text = TextOf(content_, line);
        if (SectionName(text)) break;
        if (!Trim(text).empty()) {
            span.lastContentTextEnd = line.textEnd;
            span.lastContentLineEnd = line.end;
        }
        if (!span.keyLineStart) {
            if (auto parsed = ParseKeyLine(text); parsed && SameName(parsed->key, key)) {
                span.keyLineStart = line.start;
                span.keyLineTextEnd = line.textEnd;
            }
        }
        start = line.end;
    }
    return span;
}

std::optional<std::string_view> ProfileDocument::Find(std::string_view section, std::string_view key) const {
    const auto header = SectionOffset(section);
    if (!header) return std::nullopt;
    const SectionSpan span = Scan(*header, key);
    if (!span.keyLineStart) return std::nullopt;
    const std::string_view text =
        std::string_view(content_).substr(*span.keyLineStart, span.keyLineTextEnd - *span.keyLineStart);
    return ParseKeyLine(text)->value;
}

std::string ProfileDocument::LineEnding() const {
    const auto newline = content_.find('\n');
    if (newline != std::string::npos && newline > 0 && content_[newline - 1] == '\r') return "\r\n";
    return "\n";
}

ProfileDocument ProfileDocument::WithValue(std::string_view section, std::string_view key,
                                           std::string_view value) const {
    const std::string ending = LineEnding();
    std::string keyLine;
    keyLine.reserve(key.size() + 1 + value.size());
    keyLine.append(key).append("=").append(value);

    // The change is one splice: [from, to) of the old text becomes `inserted`.
    std::size_t from = content_.size();
    std::size_t to = content_.size();
    std::string inserted;
    std::optional<std::size_t> newHeader;  // offset of an appended section header, in the new text
    if (const auto header = SectionOffset(section)) {
        const SectionSpan span = Scan(*header, key);
        if (span.keyLineStart) {
            from = *span.keyLineStart;
            to = span.keyLineTextEnd;
            inserted = keyLine;
        } else {
            from = to = span.lastContentLineEnd;
            if (span.lastContentLineEnd == span.lastContentTextEnd) inserted = ending;  // last line had none
            inserted.append(keyLine).append(ending);
        }
    } else {
        if (!content_.empty() && content_.back() != '\n') inserted = ending;
        newHeader = content_.size() + inserted.size();
        inserted.append("[").append(section).append("]").append(ending);
        inserted.append(keyLine).append(ending);
    }

    ProfileDocument result;
    result.content_.reserve(content_.size() - (to - from) + inserted.size());
    result.content_.append(content_, 0, from).append(inserted).append(content_, to, std::string::npos);

    // A key or value that holds line breaks or reads as a section header
    // changes the lines themselves: index the new text afresh.
    if (keyLine.find_first_of("\r\n") != std::string::npos || SectionName(keyLine)) {
        return ProfileDocument(std::move(result.content_));
    }
    // Otherwise every header after the splice only moves by its length.
    const auto shift = static_cast<std::ptrdiff_t>(inserted.size()) - static_cast<std::ptrdiff_t>(to - from);
    result.sections_ = sections_;
    for (SectionEntry& entry : result.sections_) {
        if (entry.offset >= to) {
            entry.offset = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(entry.offset) + shift);
        }
    }
    if (newHeader) {
        const SectionEntry entry{FoldedHash(section), *newHeader};
        const auto at = std::upper_bound(result.sections_.begin(), result.sections_.end(), entry,
                                         [](const SectionEntry& a, const SectionEntry& b) {
                                             return a.nameHash != b.nameHash ? a.nameHash < b.nameHash
                                                                             : a.offset < b.offset;
                                         });
        result.sections_.insert(at, entry);
    }
    return result;
}

}  // namespace ostrand
