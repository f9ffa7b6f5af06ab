#pragma once
// SST: the workbook's shared strings, which LABELSST cells refer to by index.
// The table is usually far larger than one record, so its data continue in
// CONTINUE records; a string cut at a record boundary carries its flag byte
// again at the start of the next piece.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/biff8/record.h"

namespace ostrand {

namespace sst_layout {
inline constexpr size_t kTotalCount = 0;
inline constexpr size_t kUniqueCount = 4;
inline constexpr size_t kStrings = 8;
inline constexpr size_t kStringHeaderSize = 3;  // character count (2), flag (1)
// A string is not begun in the last few bytes of a record; it starts the next one.
inline constexpr size_t kMinimumRoom = 12;
inline constexpr size_t kMaxCharacters = 0xFFFF;

inline constexpr uint8_t kFlagWide = 0x01;
inline constexpr uint8_t kFlagExtended = 0x04;  // phonetic data follows (read only)
inline constexpr uint8_t kFlagRichText = 0x08;  // formatting runs follow (read only)
}  // namespace sst_layout

// An entry refers to its characters: a table being saved to the texts of the
// grids (hundreds of thousands of them, which copying would double), a table
// read from a file to its own copies (SharedStringTable::Keep).
struct SharedString {
  uint8_t flag = 0;          // 0 narrow, 1 UTF-16
  std::string_view narrow;   // characters when flag is 0
  std::u16string_view wide;  // characters when flag is 1

  size_t ByteLength() const { return flag != 0 ? 2 * wide.size() : narrow.size(); }
  size_t CharacterCount() const { return flag != 0 ? wide.size() : narrow.size(); }
  uint8_t ByteAt(size_t i) const {
    if (flag == 0) return static_cast<uint8_t>(narrow[i]);
    char16_t unit = wide[i / 2];
    return static_cast<uint8_t>((i & 1) != 0 ? unit >> 8 : unit & 0xFF);
  }
};

class SharedStringTable : public Record {
 public:
  SharedStringTable() : Record(biff::kSst) {}
  // Entries may refer to the table's own copies: a copy would refer to the
  // original's. A move keeps them where they are.
  SharedStringTable(const SharedStringTable&) = delete;
  SharedStringTable& operator=(const SharedStringTable&) = delete;
  SharedStringTable(SharedStringTable&&) noexcept = default;
  SharedStringTable& operator=(SharedStringTable&&) noexcept = default;

  uint32_t totalCount = 0;
  uint32_t uniqueCount = 0;
  // The characters each entry refers to must outlive the entry's use.
  std::vector<SharedString> strings;

  // Empties the table, its own copies included.
  void Clear();
  // A copy of the characters that lives as long as the table (or until
  // Clear), for entries that have nothing else to refer to.
  std::string_view Keep(std::string text);
  std::u16string_view Keep(std::u16string text);

  // Data length and the offsets where CONTINUE records begin.
  static size_t Layout(const std::vector<SharedString>& strings, std::vector<size_t>& splitPoints);

  // The length only: the table is laid out when its size is asked for and
  // encoded once, when it is written (it can run to megabytes).
  size_t DataSize() override;
  size_t Write(uint8_t* stream, size_t size, size_t pos) override;

 protected:
  bool Decode() override;
  void Encode() override;

 private:
  void EncodeAt(uint8_t* base, size_t gap) const;

  // A deque, so adding a copy never moves the others.
  std::deque<std::string> keptNarrow_;
  std::deque<std::u16string> keptWide_;
};

}  // namespace ostrand
