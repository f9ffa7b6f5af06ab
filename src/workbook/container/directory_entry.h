#pragma once
// One 128-byte entry of the container's directory: a storage, a stream or
// the root (whose stream is the mini stream).

#include <cstddef>
#include <cstdint>
#include <string>

#include "workbook/container/container_header.h"

namespace ostrand {

namespace cfb::entry_offset {
inline constexpr size_t kName = 0;
inline constexpr size_t kNameBytes = 64;
inline constexpr size_t kNameLength = 64;
inline constexpr size_t kType = 66;
inline constexpr size_t kColour = 67;
inline constexpr size_t kLeftSibling = 68;
inline constexpr size_t kRightSibling = 72;
inline constexpr size_t kChild = 76;
inline constexpr size_t kClassId = 80;
inline constexpr size_t kStateBits = 96;
inline constexpr size_t kCreationTime = 100;
inline constexpr size_t kModificationTime = 108;
inline constexpr size_t kStartSector = 116;
inline constexpr size_t kStreamSize = 120;
}  // namespace cfb::entry_offset

enum class EntryType : uint8_t { kEmpty = 0, kStorage = 1, kStream = 2, kRoot = 5 };

struct DirectoryEntry {
  std::u16string name;
  uint16_t nameLengthField = 0;  // bytes including the terminator; the root keeps 0
  EntryType type = EntryType::kEmpty;
  uint8_t colour = 1;
  uint32_t leftSibling = cfb::kNoEntry;
  uint32_t rightSibling = cfb::kNoEntry;
  uint32_t child = cfb::kNoEntry;
  uint32_t startSector = cfb::kEndOfChain;
  uint64_t streamSize = 0;

  void Encode(uint8_t* out) const;  // out holds kDirectoryEntrySize bytes
  // wideSize: the size field is 64 bits wide (containers of major version 4).
  void Decode(const uint8_t* in, bool wideSize);
};

// The order of siblings inside one storage: shorter names first, then
// case-insensitive comparison of the UTF-16 units, as readers expect when they
// search the tree.
int CompareEntryNames(const std::u16string& a, const std::u16string& b);

}  // namespace ostrand
