#pragma once
// Splits a workbook stream into its records for the tests to inspect.

#include <cstdint>
#include <vector>

#include "workbook/byte_order.h"

namespace ostrand::test {

struct RawRecord {
  size_t position;
  uint16_t code;
  std::vector<uint8_t> data;
  uint16_t U16(size_t offset) const { return GetU16(data.data() + offset); }
  uint32_t U32(size_t offset) const { return GetU32(data.data() + offset); }
};

inline std::vector<RawRecord> Records(const std::vector<uint8_t>& stream) {
  std::vector<RawRecord> records;
  size_t pos = 0;
  while (pos + 4 <= stream.size()) {
    uint16_t length = GetU16(&stream[pos + 2]);
    records.push_back({pos, GetU16(&stream[pos]),
                       std::vector<uint8_t>(stream.begin() + pos + 4, stream.begin() + pos + 4 + length)});
    pos += 4 + length;
  }
  return records;
}

inline std::vector<uint16_t> Codes(const std::vector<RawRecord>& records) {
  std::vector<uint16_t> codes;
  for (const auto& r : records) codes.push_back(r.code);
  return codes;
}

}  // namespace ostrand::test
