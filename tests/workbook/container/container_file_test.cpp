#include "workbook/container/container_file.h"

#include <gtest/gtest.h>

#include <numeric>

#include "test_files.h"

namespace ostrand {
namespace {

using test::FatEntry;
using test::FileBytes;
using test::SectorOffset;
using test::U16At;
using test::U32At;

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFat = 0xFFFFFFFD;

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// Writes one "Workbook" stream of the given bytes into a new container file.
std::filesystem::path WriteContainer(const std::string& name, const std::vector<uint8_t>& data) {
  auto path = test::OutputPath(name);
  ContainerFile file;
  EXPECT_TRUE(file.Create(path));
  EXPECT_EQ(file.MakeStream(u"Workbook"), 1);
  EXPECT_EQ(file.WriteStream(u"Workbook", data.data(), data.size()), 1);
  file.Close();
  return path;
}

std::vector<uint8_t> ReadBack(const std::filesystem::path& path, int* result = nullptr) {
  ContainerFile file;
  std::vector<uint8_t> bytes;
  if (!file.Open(path)) {
    if (result) *result = 0;
    return bytes;
  }
  int r = file.ReadStream(u"Workbook", bytes);
  if (result) *result = r;
  return bytes;
}

TEST(ContainerFile, HundredByteStreamLivesInOneMiniStreamSector) {
  auto data = Pattern(100);
  auto file = FileBytes(WriteContainer("container-100.xls", data));
  ASSERT_EQ(file.size(), 2560u);

  const std::vector<uint8_t> header = {
      0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0, 0, 0, 0, 0, 0, 0, 0,     //
      0, 0, 0, 0, 0, 0, 0, 0, 0x3B, 0x00, 0x03, 0x00, 0xFE, 0xFF, 0x09, 0x00,    //
      0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0,                      //
      0x01, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x10, 0, 0, 0x03, 0, 0, 0,                //
      0x01, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x00, 0, 0, 0};         // DIFAT[0] = 0
  ASSERT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  for (size_t slot = 1; slot < 109; ++slot) EXPECT_EQ(U32At(file, 76 + 4 * slot), kFree);

  EXPECT_EQ(FatEntry(file, 0, 0), kFat);
  EXPECT_EQ(FatEntry(file, 0, 1), kEnd);  // directory
  EXPECT_EQ(FatEntry(file, 0, 2), kEnd);  // mini stream
  EXPECT_EQ(FatEntry(file, 0, 3), kEnd);  // mini FAT
  for (uint32_t n = 4; n < 128; ++n) EXPECT_EQ(FatEntry(file, 0, n), kFree);

  size_t miniFat = SectorOffset(3);
  EXPECT_EQ(U32At(file, miniFat), 1u);
  EXPECT_EQ(U32At(file, miniFat + 4), kEnd);
  for (size_t i = 2; i < 128; ++i) EXPECT_EQ(U32At(file, miniFat + 4 * i), kFree);

  size_t dir = SectorOffset(1);
  EXPECT_EQ(U16At(file, dir), u'R');
  EXPECT_EQ(U16At(file, dir + 64), 0u);  // the root's name length stays 0
  EXPECT_EQ(file[dir + 66], 5);
  EXPECT_EQ(file[dir + 67], 1);
  EXPECT_EQ(U32At(file, dir + 76), 1u);  // child: the stream
  EXPECT_EQ(U32At(file, dir + 116), 2u);
  EXPECT_EQ(U32At(file, dir + 120), 128u);
  size_t entry = dir + 128;
  EXPECT_EQ(U16At(file, entry + 64), 18u);
  EXPECT_EQ(file[entry + 66], 2);
  EXPECT_EQ(U32At(file, entry + 68), kFree);
  EXPECT_EQ(U32At(file, entry + 72), kFree);
  EXPECT_EQ(U32At(file, entry + 76), kFree);
  EXPECT_EQ(U32At(file, entry + 116), 0u);
  EXPECT_EQ(U32At(file, entry + 120), 100u);
  for (size_t i = dir + 256; i < dir + 512; ++i) ASSERT_EQ(file[i], 0) << i;

  ASSERT_TRUE(std::equal(data.begin(), data.end(), file.begin() + SectorOffset(2)));
  for (size_t i = SectorOffset(2) + 100; i < SectorOffset(3); ++i) ASSERT_EQ(file[i], 0);
  EXPECT_EQ(ReadBack(test::OutputPath("container-100.xls")), data);
}

TEST(ContainerFile, StreamJustBelowCutoffSpreadsMiniStreamAroundMiniFat) {
  auto data = Pattern(4095);
  auto path = WriteContainer("container-4095.xls", data);
  auto file = FileBytes(path);
  ASSERT_EQ(file.size(), 512u * 12);  // header + sectors 0..10
  // Mini stream sectors 2, 4, 5, ..., 10; mini FAT in 3.
  EXPECT_EQ(FatEntry(file, 0, 2), 4u);
  for (uint32_t n = 4; n < 10; ++n) EXPECT_EQ(FatEntry(file, 0, n), n + 1);
  EXPECT_EQ(FatEntry(file, 0, 10), kEnd);
  EXPECT_EQ(FatEntry(file, 0, 3), kEnd);
  EXPECT_EQ(U32At(file, 60), 3u);
  EXPECT_EQ(U32At(file, 64), 1u);
  size_t miniFat = SectorOffset(3);
  for (uint32_t m = 0; m < 63; ++m) EXPECT_EQ(U32At(file, miniFat + 4 * m), m + 1);
  EXPECT_EQ(U32At(file, miniFat + 4 * 63), kEnd);
  EXPECT_EQ(U32At(file, SectorOffset(1) + 120), 4096u);  // root: 64 mini sectors
  EXPECT_EQ(U32At(file, SectorOffset(1) + 128 + 120), 4095u);
  // The second mini-stream sector (mini sectors 8..15) is sector 4.
  EXPECT_EQ(file[SectorOffset(4)], data[512]);
  EXPECT_EQ(ReadBack(path), data);
}

TEST(ContainerFile, StreamAtCutoffUsesSectorsAndNoMiniFat) {
  auto data = Pattern(4096);
  auto path = WriteContainer("container-4096.xls", data);
  auto file = FileBytes(path);
  ASSERT_EQ(file.size(), 512u * 11);
  for (uint32_t n = 2; n < 9; ++n) EXPECT_EQ(FatEntry(file, 0, n), n + 1);
  EXPECT_EQ(FatEntry(file, 0, 9), kEnd);
  EXPECT_EQ(FatEntry(file, 0, 10), kFree);
  EXPECT_EQ(U32At(file, 60), kEnd);
  EXPECT_EQ(U32At(file, 64), 0u);
  EXPECT_EQ(U32At(file, SectorOffset(1) + 116), kEnd);  // root has no mini stream
  EXPECT_EQ(U32At(file, SectorOffset(1) + 120), 0u);
  EXPECT_EQ(U32At(file, SectorOffset(1) + 128 + 116), 2u);
  EXPECT_EQ(U32At(file, SectorOffset(1) + 128 + 120), 4096u);
  EXPECT_EQ(ReadBack(path), data);
}

TEST(ContainerFile, SecondFatSectorIsAppendedWhenTheFirstIsFull) {
  auto fits = FileBytes(WriteContainer("container-64512.xls", Pattern(64512)));
  EXPECT_EQ(fits.size(), 512u * 129);
  EXPECT_EQ(U32At(fits, 44), 1u);
  EXPECT_EQ(FatEntry(fits, 0, 127), kEnd);

  auto data = Pattern(64513);
  auto path = WriteContainer("container-64513.xls", data);
  auto file = FileBytes(path);
  EXPECT_EQ(file.size(), 512u * 131);  // R = 127 stream sectors, k = 2 FAT sectors
  EXPECT_EQ(U32At(file, 44), 2u);
  EXPECT_EQ(U32At(file, 76), 0u);
  EXPECT_EQ(U32At(file, 80), 128u);
  EXPECT_EQ(FatEntry(file, 0, 127), 129u);
  EXPECT_EQ(FatEntry(file, 128, 128), kFat);
  EXPECT_EQ(FatEntry(file, 128, 129), kEnd);
  EXPECT_EQ(FatEntry(file, 128, 130), kFree);
  EXPECT_EQ(file[SectorOffset(129)], data[126 * 512]);
  EXPECT_EQ(ReadBack(path), data);
}

TEST(ContainerFile, StreamBeyond109FatSectorsIsListedInDifatSectors) {
  // 109 FAT sectors map 13843 stream sectors; one more needs a 110th FAT sector.
  auto data = Pattern(13844 * 512 - 100);
  auto path = WriteContainer("container-difat.xls", data);
  auto file = FileBytes(path);
  ASSERT_EQ(U32At(file, 44), 110u);
  ASSERT_EQ(U32At(file, 72), 1u);
  uint32_t difat = U32At(file, 68);
  uint32_t lastFat = 109 * 128;  // FAT sectors sit at 0, 128, 256, ...
  EXPECT_EQ(difat, lastFat + 1);
  EXPECT_EQ(U32At(file, SectorOffset(difat)), lastFat);
  EXPECT_EQ(U32At(file, SectorOffset(difat) + 4), kFree);
  EXPECT_EQ(U32At(file, SectorOffset(difat) + 508), kEnd);
  EXPECT_EQ(FatEntry(file, lastFat, difat), 0xFFFFFFFCu);

  ContainerFile reader;
  ASSERT_TRUE(reader.Open(path));
  EXPECT_EQ(reader.FatSectors().size(), 110u);
  std::vector<uint8_t> back;
  ASSERT_EQ(reader.ReadStream(u"Workbook", back), 1);
  EXPECT_EQ(back, data);
}

TEST(ContainerFile, StreamCallsReportTheirFailures) {
  ContainerFile file;
  EXPECT_EQ(file.MakeStream(u"Workbook"), ContainerFile::kNotOpen);
  ASSERT_TRUE(file.Create(test::OutputPath("container-codes.xls")));
  EXPECT_EQ(file.MakeStream(u""), -1);
  EXPECT_EQ(file.MakeStream(std::u16string(32, u'a')), -5);
  EXPECT_EQ(file.WriteStream(u"Workbook", nullptr, 0), -4);
  EXPECT_EQ(file.MakeStream(u"Workbook"), 1);
  EXPECT_EQ(file.MakeStream(u"WORKBOOK"), -6);
  uint64_t size = 1;
  EXPECT_EQ(file.StreamSize(u"Workbook", size), 1);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(file.StreamSize(u"Book", size), -4);
}

TEST(ContainerFile, RewritingAStreamReplacesItsContent) {
  auto path = test::OutputPath("container-rewrite.xls");
  ContainerFile file;
  ASSERT_TRUE(file.Create(path));
  ASSERT_EQ(file.MakeStream(u"Workbook"), 1);
  auto big = Pattern(9000);
  auto small = Pattern(300);
  ASSERT_EQ(file.WriteStream(u"Workbook", big.data(), big.size()), 1);
  ASSERT_EQ(file.WriteStream(u"Workbook", small.data(), small.size()), 1);
  std::vector<uint8_t> back;
  ASSERT_EQ(file.ReadStream(u"Workbook", back), 1);
  EXPECT_EQ(back, small);
  file.Close();
  EXPECT_EQ(ReadBack(path), small);
}

TEST(ContainerFile, OpenRefusesWhatIsNotAContainer) {
  ContainerFile file;
  EXPECT_FALSE(file.Open(test::OutputPath("no-such-file.xls")));
  auto text = test::OutputPath("container-not.xls");
  test::WriteFileBytes(text, std::vector<uint8_t>(2048, 'x'));
  EXPECT_FALSE(file.Open(text));
  auto tiny = test::OutputPath("container-tiny.xls");
  test::WriteFileBytes(tiny, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1});
  EXPECT_FALSE(file.Open(tiny));
  EXPECT_FALSE(file.IsOpen());
}

// Each damage is applied to a fresh 9000-byte container; reading must stop
// with a failure instead of following the damage.
TEST(ContainerFile, DamagedChainsAndSizesAreRefused) {
  auto good = FileBytes(WriteContainer("container-good.xls", Pattern(9000)));
  struct Damage {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const Damage damages[] = {
      {"stream chain loops back", SectorOffset(0) + 4 * 10, 2},
      {"stream chain leaves the file", SectorOffset(0) + 4 * 10, 5000},
      {"stream size beyond the file", SectorOffset(1) + 128 + 120, 0x7FFFFFF0},
      {"directory chain loops", SectorOffset(0) + 4 * 1, 1},
      {"child links to itself", SectorOffset(1) + 128 + 68, 1},
      {"child out of range", SectorOffset(1) + 76, 77},
      {"FAT sector count absurd", 44, 0x00FFFFFF},
      {"FAT sector beyond the file", 76, 4000},
      {"second FAT sector missing", 68, 9999},
      {"sector shift unknown", 30, 0x0010},
  };
  for (const auto& d : damages) {
    auto bytes = good;
    if (d.offset == 30) {
      bytes[30] = static_cast<uint8_t>(d.value);
    } else {
      PutU32(bytes.data() + d.offset, d.value);
    }
    if (d.offset == 68) PutU32(bytes.data() + 44, 2);  // needs a second FAT sector from the DIFAT
    auto path = test::OutputPath("container-damaged.xls");
    test::WriteFileBytes(path, bytes);
    int result = 0;
    auto back = ReadBack(path, &result);
    EXPECT_NE(result, 1) << d.what;
    EXPECT_TRUE(back.empty()) << d.what;
  }

  auto truncated = good;
  truncated.resize(SectorOffset(6));
  auto path = test::OutputPath("container-truncated.xls");
  test::WriteFileBytes(path, truncated);
  int result = 0;
  ReadBack(path, &result);
  EXPECT_NE(result, 1);
}

}  // namespace
}  // namespace ostrand
