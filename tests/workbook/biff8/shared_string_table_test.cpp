#include "workbook/biff8/shared_string_table.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "workbook/byte_order.h"

namespace ostrand {
namespace {

// Entries refer to their characters; the tables of these tests refer to
// this one, which lives as long as the test program.
SharedStringTable& Texts() {
  static SharedStringTable texts;
  return texts;
}

SharedString Narrow(size_t length, char fill = 'a') {
  SharedString s;
  s.flag = 0;
  s.narrow = Texts().Keep(std::string(length, fill));
  return s;
}

SharedString Wide(size_t length, char16_t first = u'\u4E00') {
  SharedString s;
  s.flag = 1;
  std::u16string wide;
  for (size_t i = 0; i < length; ++i) wide.push_back(static_cast<char16_t>(first + i % 500));
  s.wide = Texts().Keep(std::move(wide));
  return s;
}

// Serialises a table and returns the stream bytes.
std::vector<uint8_t> Serialise(SharedStringTable& table) {
  table.uniqueCount = static_cast<uint32_t>(table.strings.size());
  table.totalCount = table.uniqueCount;
  std::vector<uint8_t> stream(table.RecordSize());
  EXPECT_EQ(table.Write(stream.data(), stream.size(), 0), stream.size());
  return stream;
}

// The data lengths of the SST record and each CONTINUE after it.
std::vector<size_t> PieceLengths(const std::vector<uint8_t>& stream) {
  std::vector<size_t> lengths;
  for (size_t pos = 0; pos + 4 <= stream.size();) {
    uint16_t length = GetU16(&stream[pos + 2]);
    lengths.push_back(length);
    pos += 4 + length;
  }
  return lengths;
}

void ExpectSameStrings(const std::vector<SharedString>& a, const std::vector<SharedString>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].flag, b[i].flag) << i;
    EXPECT_EQ(a[i].narrow, b[i].narrow) << i;
    EXPECT_EQ(a[i].wide, b[i].wide) << i;
  }
}

// The entries read; their table (which holds their characters) is kept.
std::vector<SharedString> ReadBack(const std::vector<uint8_t>& stream) {
  static std::deque<SharedStringTable> tables;
  SharedStringTable& back = tables.emplace_back();
  EXPECT_EQ(back.Read(stream.data(), stream.size(), 0), stream.size());
  return back.strings;
}

TEST(SharedStringTable, StringsFillingExactly8224BytesStayInOneRecord) {
  SharedStringTable table;
  table.strings = {Narrow(8213)};  // 8 + 3 + 8213 = 8224
  auto stream = Serialise(table);
  EXPECT_EQ(stream.size(), 8228u);
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8224}));

  table.strings.push_back(Narrow(1));
  stream = Serialise(table);
  // The next string starts a CONTINUE record without a flag byte.
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8224, 4}));
  EXPECT_EQ(GetU16(&stream[8228 + 4]), 1u);
  ExpectSameStrings(ReadBack(stream), table.strings);
}

TEST(SharedStringTable, WideStringMeetingEvenRoomIsCutOneByteEarlier) {
  SharedStringTable table;
  table.strings = {Narrow(8001), Wide(200)};  // size 8012 before the wide string: 212 bytes of room
  auto stream = Serialise(table);
  EXPECT_EQ(table.SplitPoints(), std::vector<size_t>({8223}));
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8223, 193}));
  // The continuation repeats the flag, then the remaining 96 characters.
  size_t continuation = 4 + 8223;
  EXPECT_EQ(GetU16(&stream[continuation]), 0x003Cu);
  EXPECT_EQ(stream[continuation + 4], 1);
  EXPECT_EQ(GetU16(&stream[continuation + 5]), table.strings[1].wide[104]);
  ExpectSameStrings(ReadBack(stream), table.strings);

  table.strings = {Narrow(8002), Wide(200)};  // odd room: cut at the limit
  stream = Serialise(table);
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8224, 193}));
  ExpectSameStrings(ReadBack(stream), table.strings);
}

TEST(SharedStringTable, StringMeetingLessThan12BytesOfRoomStartsTheContinuation) {
  SharedStringTable table;
  table.strings = {Narrow(8202), Narrow(20, 'q')};  // 8213 used: 11 bytes of room
  auto stream = Serialise(table);
  EXPECT_EQ(table.SplitPoints(), std::vector<size_t>({8213}));
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8213, 23}));
  EXPECT_EQ(GetU16(&stream[4 + 8213 + 4]), 20u);  // the string's own header, no flag byte
  ExpectSameStrings(ReadBack(stream), table.strings);

  table.strings = {Narrow(8200), Narrow(20, 'q')};  // 13 bytes of room: cut inside
  stream = Serialise(table);
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8224, 11}));
  ExpectSameStrings(ReadBack(stream), table.strings);
}

TEST(SharedStringTable, StringsLongerThanOneContinuationAreSplitAcrossSeveral) {
  SharedStringTable table;
  table.strings = {Narrow(100), Narrow(30000, 'n'), Wide(20000), Narrow(5)};
  auto stream = Serialise(table);
  auto lengths = PieceLengths(stream);
  EXPECT_GE(lengths.size(), 9u);
  for (size_t length : lengths) EXPECT_LE(length, 8224u);
  size_t total = 0;
  for (size_t length : lengths) total += 4 + length;
  EXPECT_EQ(total, stream.size());
  ExpectSameStrings(ReadBack(stream), table.strings);
}

TEST(SharedStringTable, StringFillingAWholeContinuationIsNotCut) {
  // After a forced new record, a narrow string of exactly 8224 bytes with its
  // header fits that record; it must not leave a piece of only a flag byte.
  SharedStringTable table;
  table.strings = {Narrow(8202), Narrow(8221, 'z'), Narrow(3, 'k')};
  auto stream = Serialise(table);
  EXPECT_EQ(PieceLengths(stream), std::vector<size_t>({8213, 8224, 6}));
  ExpectSameStrings(ReadBack(stream), table.strings);
}

TEST(SharedStringTable, RandomTablesReadBackUnchanged) {
  std::mt19937 random(12345);
  for (int round = 0; round < 20; ++round) {
    SharedStringTable table;
    size_t count = 50 + random() % 400;
    for (size_t i = 0; i < count; ++i) {
      size_t length = random() % 5 == 0 ? random() % 12000 : random() % 60;
      if (random() % 2 == 0) {
        table.strings.push_back(Narrow(length, static_cast<char>('a' + random() % 26)));
      } else {
        table.strings.push_back(Wide(length, static_cast<char16_t>(0x4E00 + random() % 1000)));
      }
    }
    auto stream = Serialise(table);
    for (size_t length : PieceLengths(stream)) ASSERT_LE(length, 8224u);
    ExpectSameStrings(ReadBack(stream), table.strings);
  }
}

TEST(SharedStringTable, ReaderTakesFlagChangesAndSkipsFormattingRuns) {
  // One string "ab" + "\u4E2D" whose continuation switches to UTF-16, then a
  // rich-text string with one formatting run.
  std::vector<uint8_t> stream = {0xFC, 0x00, 13, 0x00, 2, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 'a', 'b',
                                 0x3C, 0x00, 3, 0x00, 0x01, 0x2D, 0x4E,
                                 0x3C, 0x00, 10, 0x00, 1, 0, 0x08, 1, 0, 'x', 0, 0, 0, 0};
  SharedStringTable table;
  ASSERT_EQ(table.Read(stream.data(), stream.size(), 0), stream.size());
  ASSERT_EQ(table.strings.size(), 2u);
  EXPECT_EQ(table.strings[0].flag, 1);
  EXPECT_EQ(table.strings[0].wide, u"ab\u4E2D");
  EXPECT_EQ(table.strings[1].narrow, "x");

  stream[8] = 3;  // one more string than the data hold
  EXPECT_EQ(table.Read(stream.data(), stream.size(), 0), 0u);
}

}  // namespace
}  // namespace ostrand
