#pragma once
// Where the workbook tests put their files (kept so they can be opened) and
// small helpers to look at raw bytes.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "workbook/byte_order.h"

namespace ostrand::test {

inline std::filesystem::path OutputPath(const std::string& name) {
  std::filesystem::path dir(WORKBOOK_OUT_DIR);
  std::filesystem::create_directories(dir);
  return dir / name;
}

inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) { return GetU32(bytes.data() + offset); }
inline uint16_t U16At(const std::vector<uint8_t>& bytes, size_t offset) { return GetU16(bytes.data() + offset); }

// File offset of sector n of a 512-byte-sector container.
inline size_t SectorOffset(uint32_t n) { return 512 * (size_t{n} + 1); }

// The FAT entry for sector n, read from FAT sector fatSector of the file.
inline uint32_t FatEntry(const std::vector<uint8_t>& file, uint32_t fatSector, uint32_t n) {
  return U32At(file, SectorOffset(fatSector) + 4 * (n % 128));
}

}  // namespace ostrand::test
