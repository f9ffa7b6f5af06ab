// The bytes a save writes for its rows and cells without record objects must
// be the bytes the record classes write for the same values, and a sheet
// written that way must come out the same when read back and written again
// from records.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "workbook/biff8/cell_record.h"
#include "workbook/biff8/row_record.h"
#include "workbook/biff8/workbook_stream.h"
#include "workbook/workbook_file.h"

namespace ostrand {
namespace {

std::vector<uint8_t> RecordBytes(Record& record) {
  std::vector<uint8_t> bytes(record.RecordSize());
  EXPECT_EQ(record.Write(bytes.data(), bytes.size(), 0), bytes.size());
  return bytes;
}

TEST(CellBytes, MatchTheRecordClasses) {
  struct Case {
    const char* name;
    CellRecord record;
    size_t size;
    uint8_t* (*put)(uint8_t* out, const CellRecord& r);
  };
  auto withXf = [](CellRecord r, uint16_t xf) {
    r.xf = xf;
    return r;
  };
  const Case cases[] = {
      {"rk", CellRecord::Rk(0, 0, rk::FromInteger(7)), 14,
       [](uint8_t* out, const CellRecord& r) { return cell_bytes::PutRk(out, r.row, r.column, r.xf, r.rkValue); }},
      {"rk negative, far cell", withXf(CellRecord::Rk(65535, 255, rk::FromInteger(rk::kMinInteger)), 0x0F0F), 14,
       [](uint8_t* out, const CellRecord& r) { return cell_bytes::PutRk(out, r.row, r.column, r.xf, r.rkValue); }},
      {"label", withXf(CellRecord::LabelSst(300, 4, 0x01020304), 17), 14,
       [](uint8_t* out, const CellRecord& r) {
         return cell_bytes::PutLabelSst(out, r.row, r.column, r.xf, r.sstIndex);
       }},
      {"number", CellRecord::Number(2, 3, -1234567890123.5), 18,
       [](uint8_t* out, const CellRecord& r) { return cell_bytes::PutNumber(out, r.row, r.column, r.xf, r.number); }},
      {"number, smallest", CellRecord::Number(1, 1, std::numeric_limits<double>::denorm_min()), 18,
       [](uint8_t* out, const CellRecord& r) { return cell_bytes::PutNumber(out, r.row, r.column, r.xf, r.number); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CellRecord record = c.record;
    std::vector<uint8_t> put(c.size + 1, 0xAA);
    EXPECT_EQ(c.put(put.data(), record) - put.data(), static_cast<std::ptrdiff_t>(c.size));
    EXPECT_EQ(put.back(), 0xAA);  // nothing past the record
    put.pop_back();
    EXPECT_EQ(put, RecordBytes(record));
  }
}

TEST(CellBytes, RunsAndRowsMatchTheRecordClasses) {
  for (const std::vector<uint32_t>& values :
       {std::vector<uint32_t>{rk::FromInteger(1), rk::FromInteger(-2)},
        std::vector<uint32_t>(256, rk::FromInteger(rk::kMaxInteger))}) {
    SCOPED_TRACE(values.size());
    const uint16_t first = static_cast<uint16_t>(256 - values.size());
    CellRecord record = CellRecord::MulRk(40, first, values);
    std::vector<uint8_t> put(cell_bytes::MulRkSize(values.size()));
    EXPECT_EQ(cell_bytes::PutMulRk(put.data(), 40, first, values.data(), values.size()), put.data() + put.size());
    EXPECT_EQ(put, RecordBytes(record));
  }

  RowRecord row(1234, 256);
  row.firstColumn = 3;
  row.height = 0x1234;
  row.options = 0x80000140;
  std::vector<uint8_t> put(20);
  EXPECT_EQ(PutRowRecord(put.data(), 1234, 3, 256, 0x1234, 0x80000140), put.data() + put.size());
  EXPECT_EQ(put, RecordBytes(row));
}

// A save lays its blocks out as bytes; the reader gives records. Written
// again from the records, the stream must not change by one byte: the ROW,
// cell, DBCELL and INDEX contents of both ways agree.
TEST(CellBytes, SavedBlocksReadBackAndRewriteToTheSameStream) {
  WorkbookFile book;
  SheetGrid& grid = *book.FirstSheet();
  for (uint32_t r = 0; r < 140; ++r) {
    if (r % 33 == 5) continue;              // rows without cells, one ending a block
    if (r >= 64 && r < 96) continue;        // a whole block without cells
    grid.Cell(r, r % 3)->SetInteger(static_cast<int32_t>(r));
    grid.Cell(r, 3)->SetInteger(-static_cast<int32_t>(r));  // a run when column 2 holds an integer too
    if (r % 4 == 0) grid.Cell(r, 4)->SetInteger(rk::kMaxInteger + 1);  // beyond an RK value
    if (r % 5 == 0) grid.Cell(r, 5)->SetReal(r + 0.25);
    grid.Cell(r, 6)->SetText("T" + std::to_string(r % 7));
    if (r % 2 == 0) grid.Cell(r, 7)->SetWideText(u"宽" + std::u16string(1, static_cast<char16_t>(u'a' + r % 26)));
  }
  grid.Cell(300, 9)->SetWideText(u"末");

  std::vector<uint8_t> saved = book.BuildStream();
  ASSERT_FALSE(saved.empty());

  Workbook globals;
  std::vector<Worksheet> sheets;
  ParsedStream parsed;
  ASSERT_TRUE(ParseWorkbookStream(saved.data(), saved.size(), globals, sheets, parsed));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_FALSE(sheets[0].cellTable.blocks.empty());
  for (const RowBlock& block : sheets[0].cellTable.blocks) {
    EXPECT_TRUE(block.cellBytes.empty());
    EXPECT_FALSE(block.cells.empty());
  }
  EXPECT_EQ(LayoutWorkbookStream(globals, sheets), saved);
}

TEST(CellValue, HoldsOnlyTheValueOfItsKind) {
  CellValue cell;
  cell.SetInteger(42);
  cell.SetText("x");
  EXPECT_EQ(cell.Integer(), 0);
  cell.SetReal(2.5);
  EXPECT_TRUE(cell.Text().empty());
  EXPECT_EQ(cell.Real(), 2.5);
  cell.SetWideText(u"宽");
  EXPECT_EQ(cell.Real(), 0);
  cell.SetWideText(u"另一个较长的文本，超出短字符串的容量");
  EXPECT_EQ(cell.WideText(), u"另一个较长的文本，超出短字符串的容量");

  // Cells compare by their values alone, whatever they held before.
  CellValue a;
  CellValue b;
  a.SetInteger(5);
  a.SetText("same");
  b.SetText("same");
  EXPECT_EQ(a, b);
  a.Clear();
  EXPECT_EQ(a, CellValue{});
}

}  // namespace
}  // namespace ostrand
