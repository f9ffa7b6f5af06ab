#include <gtest/gtest.h>

#include "record_walk.h"
#include "workbook/workbook_file.h"

namespace ostrand {
namespace {

using test::RawRecord;
using test::Records;

std::vector<RawRecord> SheetRecords(const std::vector<RawRecord>& all) {
  size_t first = 0;
  for (size_t i = 1; i < all.size(); ++i) {
    if (all[i].code == 0x0809) {
      first = i;
      break;
    }
  }
  return std::vector<RawRecord>(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
}

TEST(WorksheetLayout, GlobalsAreWrittenInOrderWithTheirFixedValues) {
  WorkbookFile book;
  auto records = Records(book.BuildStream());
  std::vector<uint16_t> expected = {0x0809, 0x003D};
  expected.insert(expected.end(), 4, 0x0031);
  expected.insert(expected.end(), 21, 0x00E0);
  expected.insert(expected.end(), 6, 0x0293);
  expected.insert(expected.end(), {0x0085, 0x00FC, 0x000A});
  auto codes = test::Codes(records);
  ASSERT_GE(codes.size(), expected.size());
  EXPECT_EQ(std::vector<uint16_t>(codes.begin(), codes.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);

  EXPECT_EQ(records[0].data, std::vector<uint8_t>({0x00, 0x06, 0x05, 0x00, 0xA0, 0x19, 0xCD, 0x07, 0xC9, 0xC0,
                                                   0x00, 0x00, 0x06, 0x03, 0x00, 0x00}));
  EXPECT_EQ(records[1].data, std::vector<uint8_t>({0x78, 0, 0x78, 0, 0x1F, 0x3B, 0x54, 0x24, 0x38, 0, 0, 0, 0, 0,
                                                   1, 0, 0x58, 0x02}));
  EXPECT_EQ(records[2].data, std::vector<uint8_t>({200, 0, 0, 0, 0xFF, 0x7F, 0x90, 0x01, 0, 0, 0, 0, 0, 0, 5, 1,
                                                   'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0}));
  EXPECT_EQ(records[6].data, std::vector<uint8_t>({0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                   0, 0xC0, 0x20}));
  EXPECT_EQ(records[27].data, std::vector<uint8_t>({0x00, 0x80, 0x00, 0xFF}));
  const RawRecord& bound = records[33];
  EXPECT_EQ(bound.U32(0), records[35].position + 4);  // the sheet's BOF follows the globals' EOF
  EXPECT_EQ(std::vector<uint8_t>(bound.data.begin() + 4, bound.data.end()),
            std::vector<uint8_t>({0, 0, 6, 0, 'S', 'h', 'e', 'e', 't', '1'}));
}

TEST(WorksheetLayout, HeaderRowAndDataRowGiveTheirRecordsAndDbCell) {
  WorkbookFile book;
  ASSERT_TRUE(book.RenameFirstSheet(u"考勤记录"));
  SheetGrid* grid = book.FindSheet(u"考勤记录");
  ASSERT_NE(grid, nullptr);
  grid->Cell(0, 0)->SetWideText(u"序号");
  grid->Cell(0, 1)->SetWideText(u"卡号");
  grid->Cell(0, 2)->SetWideText(u"姓名");
  grid->Cell(1, 0)->SetInteger(1);
  grid->Cell(1, 1)->SetText("12345678");
  grid->Cell(1, 2)->SetWideText(u"张三");
  auto stream = book.BuildStream();
  auto all = Records(stream);

  const RawRecord* sst = nullptr;
  for (const auto& r : all) {
    if (r.code == 0x00FC) sst = &r;
  }
  ASSERT_NE(sst, nullptr);
  EXPECT_EQ(sst->U32(0), 5u);
  EXPECT_EQ(sst->U32(4), 5u);

  auto sheet = SheetRecords(all);
  std::vector<uint16_t> codes = test::Codes(sheet);
  EXPECT_EQ(codes, std::vector<uint16_t>({0x0809, 0x020B, 0x0200, 0x0208, 0x0208, 0x00FD, 0x00FD, 0x00FD,
                                          0x027E, 0x00FD, 0x00FD, 0x00D7, 0x023E, 0x000A}));
  EXPECT_EQ(sheet[0].U16(2), 0x0010);
  const RawRecord& dims = sheet[2];
  EXPECT_EQ(dims.data, std::vector<uint8_t>({0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 3, 0, 0, 0}));
  EXPECT_EQ(sheet[3].data, std::vector<uint8_t>({0, 0, 0, 0, 3, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(sheet[8].data, std::vector<uint8_t>({1, 0, 0, 0, 0, 0, 0x06, 0, 0, 0}));  // RK of 1
  EXPECT_EQ(sheet[9].data, std::vector<uint8_t>({1, 0, 1, 0, 0, 0, 3, 0, 0, 0}));     // SST entry 3
  const RawRecord& dbcell = sheet[11];
  EXPECT_EQ(dbcell.data, std::vector<uint8_t>({124, 0, 0, 0, 20, 0, 42, 0}));
  EXPECT_EQ(dbcell.position - sheet[3].position, 124u);
  const RawRecord& index = sheet[1];
  EXPECT_EQ(index.data.size(), 20u);
  EXPECT_EQ(index.U32(4), 0u);
  EXPECT_EQ(index.U32(8), 2u);
  EXPECT_EQ(index.U32(16), dbcell.position);
  EXPECT_EQ(sheet[12].data, std::vector<uint8_t>({0xB6, 0x06, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(WorksheetLayout, IntegerRunsShareOneMulRk) {
  WorkbookFile book;
  SheetGrid* grid = book.FirstSheet();
  ASSERT_NE(grid, nullptr);
  grid->Cell(0, 0)->SetInteger(5);
  grid->Cell(0, 1)->SetInteger(-7);
  grid->Cell(0, 2)->SetInteger(100000);
  grid->Cell(0, 3)->SetText("x");
  grid->Cell(0, 4)->SetInteger(9);
  grid->Cell(0, 6)->SetInteger(1 << 29);  // beyond the RK range
  grid->Cell(0, 7)->SetInteger(-(1 << 29));
  grid->Cell(0, 8)->SetInteger((1 << 29) - 1);
  auto sheet = SheetRecords(Records(book.BuildStream()));
  std::vector<uint16_t> codes = test::Codes(sheet);
  EXPECT_EQ(codes, std::vector<uint16_t>({0x0809, 0x020B, 0x0200, 0x0208, 0x00BD, 0x00FD, 0x027E, 0x0203,
                                          0x00BD, 0x00D7, 0x023E, 0x000A}));
  EXPECT_EQ(sheet[4].data, std::vector<uint8_t>({0, 0, 0, 0, 0, 0, 0x16, 0, 0, 0, 0, 0, 0xE6, 0xFF, 0xFF, 0xFF,
                                                 0, 0, 0x82, 0x1A, 0x06, 0x00, 2, 0}));
  EXPECT_EQ(sheet[7].data, std::vector<uint8_t>({0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x41}));
  EXPECT_EQ(sheet[8].U16(2), 7);
  EXPECT_EQ(sheet[8].U32(6), 0x80000002u);
  EXPECT_EQ(sheet[8].U32(12), 0x7FFFFFFEu);
  EXPECT_EQ(sheet[8].U16(16), 8);
}

TEST(WorksheetLayout, SharedTextsAreStoredOnceAndEmptyTextsWriteNothing) {
  WorkbookFile book;
  SheetGrid* grid = book.FirstSheet();
  grid->Cell(0, 0)->SetText("same");
  grid->Cell(0, 1)->SetText("same");
  grid->Cell(0, 2)->SetWideText(u"same");
  grid->Cell(1, 0)->SetText("");
  grid->Cell(2, 1)->SetWideText(u"");
  grid->Cell(3, 0)->SetInteger(3);
  EXPECT_EQ(grid->RowCount(), 4u);
  auto all = Records(book.BuildStream());
  for (const auto& r : all) {
    if (r.code == 0x00FC) {
      EXPECT_EQ(r.U32(0), 3u);
      EXPECT_EQ(r.U32(4), 2u);
    }
  }
  auto sheet = SheetRecords(all);
  std::vector<uint16_t> rows;
  for (const auto& r : sheet) {
    if (r.code == 0x0208) rows.push_back(r.U16(0));
  }
  EXPECT_EQ(rows, std::vector<uint16_t>({0, 3}));
}

TEST(WorksheetLayout, EachBlockOf32RowsHasItsDbCellListedInIndex) {
  WorkbookFile book;
  SheetGrid* grid = book.FirstSheet();
  for (uint32_t r = 0; r < 70; ++r) grid->Cell(r, 0)->SetInteger(static_cast<int32_t>(r));
  auto stream = book.BuildStream();
  auto sheet = SheetRecords(Records(stream));
  std::vector<size_t> dbcells;
  for (const auto& r : sheet) {
    if (r.code == 0x00D7) dbcells.push_back(r.position);
  }
  ASSERT_EQ(dbcells.size(), 3u);
  const RawRecord& index = sheet[1];
  ASSERT_EQ(index.data.size(), 16u + 4 * 3);
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(index.U32(16 + 4 * k), dbcells[k]);
  // First block: 32 ROWs then 32 RKs; DBCELL distance 32*20 + 32*14.
  EXPECT_EQ(GetU32(&stream[dbcells[0] + 4]), 32u * 20 + 32 * 14);
  EXPECT_EQ(GetU16(&stream[dbcells[0] + 8]), 31u * 20);
  EXPECT_EQ(GetU16(&stream[dbcells[0] + 10]), 14u);
}

}  // namespace
}  // namespace ostrand

#include "workbook/biff8/sheet_reader.h"

namespace ostrand {
namespace {

TEST(SheetReader, HundredthsRkValuesKeepTheirFraction) {
  Worksheet sheet;
  sheet.dimensions.lastRowPlusOne = 1;
  sheet.dimensions.lastColumnPlusOne = 4;
  sheet.cellTable.blocks.emplace_back();
  auto& cells = sheet.cellTable.blocks.back().cells;
  cells.push_back(CellRecord::Rk(0, 0, (350u << 2) | 3));   // 3.50 in hundredths
  cells.push_back(CellRecord::Rk(0, 1, (300u << 2) | 3));   // 3.00 in hundredths
  cells.push_back(CellRecord::Rk(0, 2, rk::FromInteger(-12)));
  cells.push_back(CellRecord::Rk(0, 3, 0x3FF80000u | 1));   // 1.5 / 100 in the real form
  SharedStringTable strings;
  SheetGrid grid(nullptr, 0);
  ASSERT_TRUE(FillGrid(sheet, strings, grid));
  EXPECT_EQ(grid.At(0, 0).Kind(), CellKind::kReal);
  EXPECT_DOUBLE_EQ(grid.At(0, 0).Real(), 3.5);
  EXPECT_EQ(grid.At(0, 1).Kind(), CellKind::kInteger);
  EXPECT_EQ(grid.At(0, 1).Integer(), 3);
  EXPECT_EQ(grid.At(0, 2).Integer(), -12);
  EXPECT_DOUBLE_EQ(grid.At(0, 3).Real(), 0.015);

  cells.push_back(CellRecord::LabelSst(0, 0, 0));  // no such string
  EXPECT_FALSE(FillGrid(sheet, strings, grid));
}

}  // namespace
}  // namespace ostrand
