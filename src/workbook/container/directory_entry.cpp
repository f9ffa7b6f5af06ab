#include "workbook/container/directory_entry.h"

#include <algorithm>
#include <cstring>

#include "workbook/byte_order.h"

namespace ostrand {

using namespace cfb::entry_offset;

void DirectoryEntry::Encode(uint8_t* out) const {
  std::memset(out, 0, cfb::kDirectoryEntrySize);
  size_t units = std::min(name.size(), cfb::kMaxNameLength);
  for (size_t i = 0; i < units; ++i) PutU16(out + kName + 2 * i, name[i]);
  PutU16(out + kNameLength, nameLengthField);
  out[kType] = static_cast<uint8_t>(type);
  out[kColour] = colour;
  PutU32(out + kLeftSibling, leftSibling);
  PutU32(out + kRightSibling, rightSibling);
  PutU32(out + kChild, child);
  PutU32(out + kStartSector, startSector);
  PutU32(out + kStreamSize, static_cast<uint32_t>(streamSize));
}

void DirectoryEntry::Decode(const uint8_t* in, bool wideSize) {
  name.clear();
  for (size_t i = 0; i < kNameBytes / 2; ++i) {
    char16_t unit = GetU16(in + kName + 2 * i);
    if (unit == 0) break;
    name.push_back(unit);
  }
  nameLengthField = GetU16(in + kNameLength);
  type = static_cast<EntryType>(in[kType]);
  colour = in[kColour];
  leftSibling = GetU32(in + kLeftSibling);
  rightSibling = GetU32(in + kRightSibling);
  child = GetU32(in + kChild);
  startSector = GetU32(in + kStartSector);
  streamSize = wideSize ? GetU64(in + kStreamSize) : GetU32(in + kStreamSize);
}

static char16_t UpperUnit(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

int CompareEntryNames(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = UpperUnit(a[i]);
    char16_t y = UpperUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace ostrand
