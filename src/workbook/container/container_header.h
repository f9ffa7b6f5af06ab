#pragma once
// The 512-byte header at the start of a compound document container, with
// the values this writer chooses and the fields a reader needs.

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrand {

namespace cfb {
// Special values of the sector allocation table.
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kNoEntry = 0xFFFFFFFF;  // directory link "none"

inline constexpr size_t kHeaderSize = 512;
inline constexpr uint16_t kSectorShift = 9;
inline constexpr size_t kSectorSize = 512;
inline constexpr uint16_t kMiniSectorShift = 6;
inline constexpr size_t kMiniSectorSize = 64;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr size_t kFatEntriesPerSector = kSectorSize / 4;
inline constexpr size_t kDirectoryEntrySize = 128;
inline constexpr size_t kEntriesPerDirectorySector = kSectorSize / kDirectoryEntrySize;
inline constexpr size_t kHeaderDifatSlots = 109;
inline constexpr size_t kMaxNameLength = 31;

inline constexpr std::array<uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                      0xA1, 0xB1, 0x1A, 0xE1};

// Field offsets inside the header.
namespace header_offset {
inline constexpr size_t kSignature = 0;
inline constexpr size_t kMinorVersion = 24;
inline constexpr size_t kMajorVersion = 26;
inline constexpr size_t kByteOrder = 28;
inline constexpr size_t kSectorShift = 30;
inline constexpr size_t kMiniSectorShift = 32;
inline constexpr size_t kDirectorySectorCount = 40;
inline constexpr size_t kFatSectorCount = 44;
inline constexpr size_t kFirstDirectorySector = 48;
inline constexpr size_t kTransactionSignature = 52;
inline constexpr size_t kMiniStreamCutoff = 56;
inline constexpr size_t kFirstMiniFatSector = 60;
inline constexpr size_t kMiniFatSectorCount = 64;
inline constexpr size_t kFirstDifatSector = 68;
inline constexpr size_t kDifatSectorCount = 72;
inline constexpr size_t kDifat = 76;
}  // namespace header_offset
}  // namespace cfb

struct ContainerHeader {
  uint16_t minorVersion = 0x003B;
  uint16_t majorVersion = 3;
  uint16_t byteOrder = 0xFFFE;
  uint16_t sectorShift = cfb::kSectorShift;
  uint32_t miniSectorShift = cfb::kMiniSectorShift;  // 4 bytes: the shift and reserved zeros
  uint32_t directorySectorCount = 0;
  uint32_t fatSectorCount = 1;
  uint32_t firstDirectorySector = 1;
  uint32_t transactionSignature = 0;
  uint32_t miniStreamCutoff = cfb::kMiniStreamCutoff;
  uint32_t firstMiniFatSector = cfb::kEndOfChain;
  uint32_t miniFatSectorCount = 0;
  uint32_t firstDifatSector = cfb::kEndOfChain;
  uint32_t difatSectorCount = 0;
  std::array<uint32_t, cfb::kHeaderDifatSlots> difat{};

  ContainerHeader() { difat.fill(cfb::kFreeSector); }

  void Encode(uint8_t* out) const;  // out holds kHeaderSize bytes
  // False when the signature is missing; the other fields are taken as found.
  bool Decode(const uint8_t* in);
};

}  // namespace ostrand
