#include "workbook/container/container_file.h"

#include <algorithm>
#include <cstring>

#include "workbook/byte_order.h"

namespace ostrand {

using namespace cfb;

namespace {

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

void EncodeTable(const std::vector<uint32_t>& table, size_t first, size_t count, uint8_t* out) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t v = first + i < table.size() ? table[first + i] : kFreeSector;
    PutU32(out + 4 * i, v);
  }
}

}  // namespace

ContainerFile::~ContainerFile() { Close(); }

void ContainerFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  path_.clear();
  fileSize_ = 0;
  sectorCount_ = 0;
  header_ = ContainerHeader{};
  fat_.clear();
  miniFat_.clear();
  fatSectors_.clear();
  difatSectors_.clear();
  directoryChain_.clear();
  miniFatChain_.clear();
  miniStreamChain_.clear();
  miniStream_.clear();
  miniStreamLoaded_ = false;
  writable_ = false;
  entries_.clear();
  children_.clear();
  currentDirectory_ = 0;
  freeHint_ = 0;
}

bool ContainerFile::Create(const std::filesystem::path& path) {
  Close();
  file_ = std::fopen(path.c_str(), "w+b");
  if (file_ == nullptr) return false;
  path_ = path;
  writable_ = true;

  header_ = ContainerHeader{};
  fat_.assign(kFatEntriesPerSector, kFreeSector);
  fat_[0] = kFatSector;
  fat_[1] = kEndOfChain;  // the directory's single sector
  fatSectors_ = {0};
  directoryChain_ = {1};
  miniStreamLoaded_ = true;

  DirectoryEntry root;
  root.name = u"Root Entry";
  root.nameLengthField = 0;
  root.type = EntryType::kRoot;
  entries_ = {root};
  children_.assign(1, {});

  if (!WriteMetadata()) {
    Close();
    return false;
  }
  return true;
}

int ContainerFile::FindChild(std::u16string_view name) const {
  if (currentDirectory_ >= children_.size()) return -1;
  std::u16string wanted(name);
  for (uint32_t index : children_[currentDirectory_]) {
    if (CompareEntryNames(entries_[index].name, wanted) == 0) return static_cast<int>(index);
  }
  return -1;
}

int ContainerFile::MakeStream(std::u16string_view name) {
  if (file_ == nullptr || !writable_) return kNotOpen;
  if (header_.sectorShift != kSectorShift) return kIoFailure;  // this writer knows 512-byte sectors only
  if (name.empty()) return kEmptyName;
  if (name.size() > kMaxNameLength) return kNameTooLong;
  if (FindChild(name) >= 0) return kNameExists;

  uint32_t index = static_cast<uint32_t>(entries_.size());
  for (uint32_t i = 1; i < entries_.size(); ++i) {
    if (entries_[i].type == EntryType::kEmpty) {
      index = i;
      break;
    }
  }
  if (index == entries_.size()) {
    entries_.emplace_back();
    children_.emplace_back();
  }
  DirectoryEntry& entry = entries_[index];
  entry = DirectoryEntry{};
  entry.name = std::u16string(name);
  entry.nameLengthField = static_cast<uint16_t>((name.size() + 1) * 2);
  entry.type = EntryType::kStream;
  children_[index].clear();

  auto& kids = children_[currentDirectory_];
  auto pos = std::lower_bound(kids.begin(), kids.end(), index, [&](uint32_t a, uint32_t b) {
    return CompareEntryNames(entries_[a].name, entries_[b].name) < 0;
  });
  kids.insert(pos, index);
  RelinkChildren(currentDirectory_);

  while (directoryChain_.size() * kEntriesPerDirectorySector < entries_.size()) {
    AppendToChain(directoryChain_);
  }
  return WriteMetadata() ? kOk : kIoFailure;
}

// The children of one storage are linked as a path through their middle
// entry: the earlier names down the left links, the later ones down the right.
void ContainerFile::RelinkChildren(uint32_t storage) {
  const auto& kids = children_[storage];
  if (kids.empty()) {
    entries_[storage].child = kNoEntry;
    return;
  }
  size_t mid = kids.size() / 2;
  entries_[storage].child = kids[mid];
  for (size_t i = 0; i < kids.size(); ++i) {
    DirectoryEntry& e = entries_[kids[i]];
    e.leftSibling = (i <= mid && i > 0) ? kids[i - 1] : kNoEntry;
    e.rightSibling = (i >= mid && i + 1 < kids.size()) ? kids[i + 1] : kNoEntry;
  }
}

uint32_t ContainerFile::AllocateSector() {
  for (;;) {
    for (size_t i = freeHint_; i < fat_.size(); ++i) {
      if (fat_[i] == kFreeSector) {
        freeHint_ = i + 1;
        return static_cast<uint32_t>(i);
      }
    }
    freeHint_ = fat_.size();
    AppendFatSector();
  }
}

// Called only when every entry of the FAT is in use, so the new FAT sector
// sits at the current end, and a DIFAT sector it needs right after it.
void ContainerFile::AppendFatSector() {
  uint32_t sector = static_cast<uint32_t>(fat_.size());
  fat_.resize(fat_.size() + kFatEntriesPerSector, kFreeSector);
  fat_[sector] = kFatSector;
  size_t slot = fatSectors_.size();
  fatSectors_.push_back(sector);
  if (slot < kHeaderDifatSlots) return;  // listed in the header
  size_t perDifatSector = kSectorSize / 4 - 1;
  if ((slot - kHeaderDifatSlots) / perDifatSector >= difatSectors_.size()) {
    uint32_t difat = sector + 1;
    fat_[difat] = kDifatSector;
    difatSectors_.push_back(difat);
  }
}

uint32_t ContainerFile::AppendToChain(std::vector<uint32_t>& chain) {
  uint32_t sector = AllocateSector();
  if (!chain.empty()) fat_[chain.back()] = sector;
  fat_[sector] = kEndOfChain;
  chain.push_back(sector);
  return sector;
}

void ContainerFile::FreeChain(std::vector<uint32_t>& table, uint32_t start) {
  uint32_t s = start;
  for (size_t steps = 0; s < table.size() && steps < table.size(); ++steps) {
    uint32_t next = table[s];
    table[s] = kFreeSector;
    if (&table == &fat_) freeHint_ = std::min<size_t>(freeHint_, s);
    s = next;
  }
}

// A mini sector needs its place in the mini stream first (which may take a
// new sector) and then its mini FAT entry (which may take the mini FAT's
// sector); this order gives the layout readers of small files expect.
uint32_t ContainerFile::AllocateMiniSector() {
  size_t m = miniFat_.size();
  for (size_t i = 0; i < miniFat_.size(); ++i) {
    if (miniFat_[i] == kFreeSector) {
      m = i;
      break;
    }
  }
  size_t perSector = kSectorSize / kMiniSectorSize;
  while (miniStreamChain_.size() < m / perSector + 1) AppendToChain(miniStreamChain_);
  if (miniStream_.size() < (m + 1) * kMiniSectorSize) miniStream_.resize((m + 1) * kMiniSectorSize, 0);
  if (m >= miniFat_.size()) {
    miniFat_.resize(miniFat_.size() + kFatEntriesPerSector, kFreeSector);
    AppendToChain(miniFatChain_);
  }
  miniFat_[m] = kEndOfChain;
  return static_cast<uint32_t>(m);
}

bool ContainerFile::LoadMiniStream() {
  if (miniStreamLoaded_) return true;
  const DirectoryEntry& root = entries_[0];
  miniStream_.clear();
  miniStreamChain_.clear();
  if (root.streamSize > 0) {
    uint64_t needed = CeilDiv(root.streamSize, SectorSize());
    if (!FollowChain(fat_, root.startSector, std::min<uint64_t>(fat_.size(), sectorCount_), needed,
                     miniStreamChain_) ||
        miniStreamChain_.size() < needed) {
      return false;
    }
    miniStream_.resize(needed * SectorSize());
    if (!ReadSectors(miniStreamChain_, SectorSize(), miniStream_.data())) return false;
    miniStream_.resize(root.streamSize);
  }
  miniStreamLoaded_ = true;
  return true;
}

int ContainerFile::WriteStream(std::u16string_view name, const uint8_t* bytes, size_t size) {
  if (file_ == nullptr || !writable_) return kNotOpen;
  if (header_.sectorShift != kSectorShift) return kIoFailure;  // this writer knows 512-byte sectors only
  int found = FindChild(name);
  if (found < 0 || entries_[found].type != EntryType::kStream) return kNoSuchEntry;
  if (size > UINT32_MAX) return kIoFailure;  // the version 3 size field holds 32 bits
  uint32_t index = static_cast<uint32_t>(found);

  if (entries_[index].startSector != kEndOfChain) {
    if (entries_[index].streamSize < kMiniStreamCutoff) {
      if (!LoadMiniStream()) return kDamaged;
      FreeChain(miniFat_, entries_[index].startSector);
    } else {
      FreeChain(fat_, entries_[index].startSector);
    }
  }

  uint32_t start = kEndOfChain;
  if (size >= kMiniStreamCutoff) {
    std::vector<uint32_t> chain;
    uint64_t count = CeilDiv(size, kSectorSize);
    chain.reserve(count);
    for (uint64_t i = 0; i < count; ++i) AppendToChain(chain);
    if (!WriteChain(chain, bytes, size)) return kIoFailure;
    start = chain.front();
  } else if (size > 0) {
    if (!LoadMiniStream()) return kDamaged;
    uint64_t count = CeilDiv(size, kMiniSectorSize);
    uint32_t previous = kEndOfChain;
    for (uint64_t i = 0; i < count; ++i) {
      uint32_t m = AllocateMiniSector();
      if (previous == kEndOfChain) {
        start = m;
      } else {
        miniFat_[previous] = m;
      }
      previous = m;
      size_t offset = static_cast<size_t>(i) * kMiniSectorSize;
      size_t piece = std::min(kMiniSectorSize, size - offset);
      uint8_t* target = miniStream_.data() + size_t{m} * kMiniSectorSize;
      std::memcpy(target, bytes + offset, piece);
      std::memset(target + piece, 0, kMiniSectorSize - piece);
    }
    entries_[0].startSector = miniStreamChain_.front();
    entries_[0].streamSize = miniStream_.size();
    if (!WriteChain(miniStreamChain_, miniStream_.data(), miniStream_.size())) return kIoFailure;
  }
  entries_[index].startSector = start;
  entries_[index].streamSize = size;
  return WriteMetadata() ? kOk : kIoFailure;
}

bool ContainerFile::WriteBytes(uint64_t offset, const uint8_t* data, size_t size) {
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  return std::fwrite(data, 1, size, file_) == size;
}

// Writes the data over the chain's sectors, one call per run of consecutive
// sectors, and fills the rest of the last sector with zeros.
bool ContainerFile::WriteChain(const std::vector<uint32_t>& chain, const uint8_t* data, size_t size) {
  size_t ss = SectorSize();
  size_t i = 0;
  while (i < chain.size()) {
    size_t j = i + 1;
    while (j < chain.size() && chain[j] == chain[j - 1] + 1) ++j;
    size_t begin = i * ss;
    size_t end = std::min(j * ss, size);
    if (begin < end && !WriteBytes(SectorOffset(chain[i]), data + begin, end - begin)) return false;
    size_t runEnd = j * ss;
    if (end < runEnd) {
      std::vector<uint8_t> zeros(runEnd - std::max(begin, end), 0);
      if (!WriteBytes(SectorOffset(chain[i]) + (std::max(begin, end) - begin), zeros.data(), zeros.size())) {
        return false;
      }
    }
    i = j;
  }
  sectorCount_ = std::max<uint64_t>(sectorCount_, fat_.size());
  return true;
}

bool ContainerFile::WriteMetadata() {
  header_.fatSectorCount = static_cast<uint32_t>(fatSectors_.size());
  header_.firstDirectorySector = directoryChain_.front();
  header_.firstMiniFatSector = miniFatChain_.empty() ? kEndOfChain : miniFatChain_.front();
  header_.miniFatSectorCount = static_cast<uint32_t>(miniFatChain_.size());
  header_.firstDifatSector = difatSectors_.empty() ? kEndOfChain : difatSectors_.front();
  header_.difatSectorCount = static_cast<uint32_t>(difatSectors_.size());
  for (size_t slot = 0; slot < kHeaderDifatSlots; ++slot) {
    header_.difat[slot] = slot < fatSectors_.size() ? fatSectors_[slot] : kFreeSector;
  }

  uint8_t block[kSectorSize];
  header_.Encode(block);
  if (!WriteBytes(0, block, kHeaderSize)) return false;

  for (size_t k = 0; k < fatSectors_.size(); ++k) {
    EncodeTable(fat_, k * kFatEntriesPerSector, kFatEntriesPerSector, block);
    if (!WriteBytes(SectorOffset(fatSectors_[k]), block, kSectorSize)) return false;
  }

  size_t perDifatSector = kSectorSize / 4 - 1;
  for (size_t d = 0; d < difatSectors_.size(); ++d) {
    for (size_t i = 0; i < perDifatSector; ++i) {
      size_t slot = kHeaderDifatSlots + d * perDifatSector + i;
      PutU32(block + 4 * i, slot < fatSectors_.size() ? fatSectors_[slot] : kFreeSector);
    }
    PutU32(block + 4 * perDifatSector, d + 1 < difatSectors_.size() ? difatSectors_[d + 1] : kEndOfChain);
    if (!WriteBytes(SectorOffset(difatSectors_[d]), block, kSectorSize)) return false;
  }

  std::vector<uint8_t> directory(directoryChain_.size() * kSectorSize, 0);
  for (size_t i = 0; i < entries_.size(); ++i) entries_[i].Encode(directory.data() + i * kDirectoryEntrySize);
  if (!WriteChain(directoryChain_, directory.data(), directory.size())) return false;

  if (!miniFatChain_.empty()) {
    std::vector<uint8_t> table(miniFatChain_.size() * kSectorSize);
    EncodeTable(miniFat_, 0, miniFatChain_.size() * kFatEntriesPerSector, table.data());
    if (!WriteChain(miniFatChain_, table.data(), table.size())) return false;
  }
  return std::fflush(file_) == 0;
}

bool ContainerFile::ReadBytes(uint64_t offset, uint8_t* data, size_t size) {
  if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  size_t got = std::fread(data, 1, size, file_);
  if (got == 0 && size > 0) return false;
  // The last sector of a file may be stored short; its missing tail reads as zeros.
  std::memset(data + got, 0, size - got);
  return true;
}

bool ContainerFile::ReadSectors(const std::vector<uint32_t>& chain, size_t sectorSize, uint8_t* out) {
  size_t i = 0;
  while (i < chain.size()) {
    size_t j = i + 1;
    while (j < chain.size() && chain[j] == chain[j - 1] + 1) ++j;
    if (!ReadBytes(SectorOffset(chain[i]), out + i * sectorSize, (j - i) * sectorSize)) return false;
    i = j;
  }
  return true;
}

// Follows a chain from start until its end mark or until limit links (0: no
// limit). False when a link leaves [0, bound) or the chain loops.
bool ContainerFile::FollowChain(const std::vector<uint32_t>& table, uint32_t start, uint64_t bound,
                                uint64_t limit, std::vector<uint32_t>& chain) const {
  chain.clear();
  std::vector<bool> visited(std::min<uint64_t>(bound, table.size()), false);
  uint32_t s = start;
  while (s != kEndOfChain) {
    if (s >= visited.size() || visited[s]) return false;  // out of range, or a loop
    visited[s] = true;
    chain.push_back(s);
    if (limit != 0 && chain.size() >= limit) return true;
    s = table[s];
  }
  return true;
}

bool ContainerFile::Open(const std::filesystem::path& path) {
  Close();
  file_ = std::fopen(path.c_str(), "r+b");
  writable_ = file_ != nullptr;
  if (file_ == nullptr) file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  path_ = path;

  bool ok = [&] {
    if (fseeko(file_, 0, SEEK_END) != 0) return false;
    off_t end = ftello(file_);
    if (end < static_cast<off_t>(kHeaderSize)) return false;
    fileSize_ = static_cast<uint64_t>(end);

    uint8_t block[kHeaderSize];
    if (!ReadBytes(0, block, kHeaderSize) || !header_.Decode(block)) return false;
    if (header_.sectorShift != 9 && header_.sectorShift != 12) return false;
    if ((header_.miniSectorShift & 0xFFFF) != kMiniSectorShift) return false;
    size_t ss = SectorSize();
    sectorCount_ = fileSize_ <= ss ? 0 : CeilDiv(fileSize_ - ss, ss);

    uint32_t fatCount = header_.fatSectorCount;
    if (fatCount == 0 || fatCount > sectorCount_) return false;
    for (size_t i = 0; i < kHeaderDifatSlots && fatSectors_.size() < fatCount; ++i) {
      fatSectors_.push_back(header_.difat[i]);
    }
    std::vector<uint8_t> sector(ss);
    size_t perDifatSector = ss / 4 - 1;
    uint32_t d = header_.firstDifatSector;
    while (fatSectors_.size() < fatCount) {
      if (d >= sectorCount_ || difatSectors_.size() >= sectorCount_) return false;
      if (std::find(difatSectors_.begin(), difatSectors_.end(), d) != difatSectors_.end()) return false;
      difatSectors_.push_back(d);
      if (!ReadBytes(SectorOffset(d), sector.data(), ss)) return false;
      for (size_t i = 0; i < perDifatSector && fatSectors_.size() < fatCount; ++i) {
        fatSectors_.push_back(GetU32(sector.data() + 4 * i));
      }
      d = GetU32(sector.data() + 4 * perDifatSector);
    }
    size_t perFatSector = ss / 4;
    fat_.resize(size_t{fatCount} * perFatSector);
    for (size_t k = 0; k < fatSectors_.size(); ++k) {
      if (fatSectors_[k] >= sectorCount_) return false;
      if (!ReadBytes(SectorOffset(fatSectors_[k]), sector.data(), ss)) return false;
      for (size_t i = 0; i < perFatSector; ++i) fat_[k * perFatSector + i] = GetU32(sector.data() + 4 * i);
    }
    uint64_t bound = std::min<uint64_t>(fat_.size(), sectorCount_);

    if (!LoadDirectory()) return false;

    if (header_.firstMiniFatSector != kEndOfChain && header_.firstMiniFatSector != kFreeSector) {
      if (!FollowChain(fat_, header_.firstMiniFatSector, bound, 0, miniFatChain_)) return false;
      std::vector<uint8_t> table(miniFatChain_.size() * ss);
      if (!ReadSectors(miniFatChain_, ss, table.data())) return false;
      miniFat_.resize(table.size() / 4);
      for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = GetU32(table.data() + 4 * i);
    }
    return BuildTree();
  }();
  if (!ok) Close();
  return ok;
}

bool ContainerFile::LoadDirectory() {
  size_t ss = SectorSize();
  uint64_t bound = std::min<uint64_t>(fat_.size(), sectorCount_);
  if (!FollowChain(fat_, header_.firstDirectorySector, bound, 0, directoryChain_)) return false;
  if (directoryChain_.empty()) return false;
  std::vector<uint8_t> data(directoryChain_.size() * ss);
  if (!ReadSectors(directoryChain_, ss, data.data())) return false;
  size_t count = data.size() / kDirectoryEntrySize;
  entries_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    entries_[i].Decode(data.data() + i * kDirectoryEntrySize, header_.majorVersion >= 4);
  }
  return entries_[0].type == EntryType::kRoot;
}

// Rebuilds each storage's list of children from the sibling links; a link
// out of range, to an unused entry or back to a visited entry refuses the file.
bool ContainerFile::BuildTree() {
  children_.assign(entries_.size(), {});
  std::vector<bool> visited(entries_.size(), false);
  visited[0] = true;
  std::vector<uint32_t> storages = {0};
  while (!storages.empty()) {
    uint32_t storage = storages.back();
    storages.pop_back();
    std::vector<uint32_t> pending;
    if (entries_[storage].child != kNoEntry) pending.push_back(entries_[storage].child);
    while (!pending.empty()) {
      uint32_t index = pending.back();
      pending.pop_back();
      if (index >= entries_.size() || visited[index]) return false;
      const DirectoryEntry& e = entries_[index];
      if (e.type != EntryType::kStream && e.type != EntryType::kStorage) return false;
      visited[index] = true;
      children_[storage].push_back(index);
      if (e.type == EntryType::kStorage) storages.push_back(index);
      if (e.leftSibling != kNoEntry) pending.push_back(e.leftSibling);
      if (e.rightSibling != kNoEntry) pending.push_back(e.rightSibling);
    }
    std::sort(children_[storage].begin(), children_[storage].end(), [&](uint32_t a, uint32_t b) {
      return CompareEntryNames(entries_[a].name, entries_[b].name) < 0;
    });
  }
  return true;
}

int ContainerFile::StreamSize(std::u16string_view name, uint64_t& size) const {
  if (file_ == nullptr) return kNotOpen;
  int found = FindChild(name);
  if (found < 0 || entries_[found].type != EntryType::kStream) return kNoSuchEntry;
  size = entries_[found].streamSize;
  return kOk;
}

int ContainerFile::ReadStream(std::u16string_view name, std::vector<uint8_t>& bytes) {
  if (file_ == nullptr) return kNotOpen;
  int found = FindChild(name);
  if (found < 0 || entries_[found].type != EntryType::kStream) return kNoSuchEntry;
  const DirectoryEntry& e = entries_[found];
  bytes.clear();
  if (e.streamSize == 0) return kOk;
  std::vector<uint32_t> chain;
  if (e.streamSize < kMiniStreamCutoff) {
    if (!LoadMiniStream()) return kDamaged;
    uint64_t needed = CeilDiv(e.streamSize, kMiniSectorSize);
    uint64_t bound = std::min<uint64_t>(miniFat_.size(), miniStream_.size() / kMiniSectorSize);
    if (!FollowChain(miniFat_, e.startSector, bound, needed, chain) || chain.size() < needed) return kDamaged;
    bytes.resize(e.streamSize);
    for (size_t i = 0; i < chain.size(); ++i) {
      size_t piece = std::min<size_t>(kMiniSectorSize, e.streamSize - i * kMiniSectorSize);
      std::memcpy(bytes.data() + i * kMiniSectorSize, miniStream_.data() + size_t{chain[i]} * kMiniSectorSize,
                  piece);
    }
    return kOk;
  }
  size_t ss = SectorSize();
  uint64_t needed = CeilDiv(e.streamSize, ss);
  uint64_t bound = std::min<uint64_t>(fat_.size(), sectorCount_);
  if (!FollowChain(fat_, e.startSector, bound, needed, chain) || chain.size() < needed) return kDamaged;
  bytes.resize(needed * ss);
  if (!ReadSectors(chain, ss, bytes.data())) {
    bytes.clear();
    return kIoFailure;
  }
  bytes.resize(e.streamSize);
  return kOk;
}

}  // namespace ostrand
