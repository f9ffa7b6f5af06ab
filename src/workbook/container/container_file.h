#pragma once
// A compound document container (version 3, 512-byte sectors) holding the
// workbook stream. Every save creates the container anew; a container read
// from disk is only read. Reading never trusts the file: chains are checked
// for cycles and bounds so that a damaged file is refused, not followed.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/container/container_header.h"
#include "workbook/container/directory_entry.h"

namespace ostrand {

class ContainerFile {
 public:
  // Results of the stream calls.
  static constexpr int kOk = 1;
  static constexpr int kEmptyName = -1;
  static constexpr int kNoSuchEntry = -4;
  static constexpr int kNameTooLong = -5;
  static constexpr int kNameExists = -6;
  static constexpr int kDamaged = -7;    // chain broken, cyclic or beyond the file
  static constexpr int kIoFailure = -8;  // the file could not be written or read
  static constexpr int kNotOpen = -9;

  ContainerFile() = default;
  ~ContainerFile();
  ContainerFile(const ContainerFile&) = delete;
  ContainerFile& operator=(const ContainerFile&) = delete;

  bool Create(const std::filesystem::path& path);
  int MakeStream(std::u16string_view name);
  int WriteStream(std::u16string_view name, const uint8_t* bytes, size_t size);
  bool Open(const std::filesystem::path& path);
  int StreamSize(std::u16string_view name, uint64_t& size) const;
  int ReadStream(std::u16string_view name, std::vector<uint8_t>& bytes);
  void Close();

  bool IsOpen() const { return file_ != nullptr; }
  const ContainerHeader& Header() const { return header_; }
  const std::vector<uint32_t>& Fat() const { return fat_; }
  const std::vector<uint32_t>& MiniFat() const { return miniFat_; }
  const std::vector<DirectoryEntry>& Entries() const { return entries_; }
  // The FAT sectors in the order the DIFAT lists them, and the DIFAT sectors.
  const std::vector<uint32_t>& FatSectors() const { return fatSectors_; }
  const std::vector<uint32_t>& DifatSectors() const { return difatSectors_; }

 private:
  size_t SectorSize() const { return size_t{1} << header_.sectorShift; }
  uint64_t SectorOffset(uint32_t sector) const { return uint64_t{sector + 1ull} * SectorSize(); }

  // Allocation (writing).
  uint32_t AllocateSector();
  void AppendFatSector();
  void FreeChain(std::vector<uint32_t>& table, uint32_t start);
  uint32_t AllocateMiniSector();
  uint32_t AppendToChain(std::vector<uint32_t>& chain);
  void RelinkChildren(uint32_t storage);
  int FindChild(std::u16string_view name) const;  // entry index or -1
  bool EnsureDirectoryCapacity();
  bool LoadMiniStream();
  bool WriteMetadata();
  bool WriteBytes(uint64_t offset, const uint8_t* data, size_t size);
  bool WriteChain(const std::vector<uint32_t>& chain, const uint8_t* data, size_t size);

  // Reading.
  bool ReadBytes(uint64_t offset, uint8_t* data, size_t size);
  bool FollowChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t bound, uint64_t limit,
                   std::vector<uint32_t>& chain) const;
  bool ReadSectors(const std::vector<uint32_t>& chain, size_t sectorSize, uint8_t* out);
  bool LoadDirectory();
  bool BuildTree();

  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  uint64_t fileSize_ = 0;
  uint64_t sectorCount_ = 0;  // sectors present in the file when it was opened
  ContainerHeader header_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::vector<uint32_t> fatSectors_;
  std::vector<uint32_t> difatSectors_;
  std::vector<uint32_t> directoryChain_;
  std::vector<uint32_t> miniFatChain_;
  std::vector<uint32_t> miniStreamChain_;
  std::vector<uint8_t> miniStream_;
  bool miniStreamLoaded_ = false;
  bool writable_ = false;
  std::vector<DirectoryEntry> entries_;
  std::vector<std::vector<uint32_t>> children_;  // per entry, its children in name order
  uint32_t currentDirectory_ = 0;                // always the root here
  size_t freeHint_ = 0;                          // no free FAT entry below this
};

}  // namespace ostrand
