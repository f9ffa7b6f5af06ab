#include "workbook/workbook_file.h"

#include <gtest/gtest.h>

#include <random>

#include "test_files.h"

namespace ostrand {
namespace {

std::vector<uint8_t> StoredStream(const std::filesystem::path& path) {
  ContainerFile file;
  std::vector<uint8_t> stream;
  if (file.Open(path)) file.ReadStream(u"Workbook", stream);
  return stream;
}

void FillSample(SheetGrid& grid) {
  const char16_t* header[] = {u"序号", u"卡号", u"姓名", u"部门", u"时间"};
  for (uint32_t c = 0; c < 5; ++c) grid.Cell(0, c)->SetWideText(header[c]);
  for (uint32_t r = 1; r <= 300; ++r) {
    grid.Cell(r, 0)->SetInteger(static_cast<int32_t>(r) * 1000 - 150000);
    grid.Cell(r, 1)->SetText("card-" + std::to_string(r % 40));
    grid.Cell(r, 2)->SetWideText(u"员工" + std::u16string(r % 7, u'甲'));
    if (r % 5 != 0) grid.Cell(r, 3)->SetInteger(static_cast<int32_t>(r % 3));
    grid.Cell(r, 4)->SetInteger(r % 2 ? 2000000000 : -(1 << 29));
  }
  grid.Cell(301, 1)->SetWideText(std::u16string(9000, u'长'));  // several CONTINUE records
}

TEST(WorkbookFile, SavedWorkbookLoadsBackWithTheSameCellsAndStream) {
  auto path = test::OutputPath("workbook-roundtrip.xls");
  WorkbookFile book;
  ASSERT_TRUE(book.RenameFirstSheet(u"用户信息"));
  SheetGrid* grid = book.FindSheet(u"用户信息");
  ASSERT_NE(grid, nullptr);
  FillSample(*grid);
  ASSERT_TRUE(book.SaveAs(path));
  auto saved = StoredStream(path);
  ASSERT_FALSE(saved.empty());

  WorkbookFile loaded;
  ASSERT_TRUE(loaded.Load(path));
  SheetGrid* back = loaded.FindSheet(u"用户信息");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back, loaded.FirstSheet());
  ASSERT_EQ(back->RowCount(), grid->RowCount());
  ASSERT_EQ(back->ColumnCount(), grid->ColumnCount());
  for (uint32_t r = 0; r < grid->RowCount(); ++r) {
    for (uint32_t c = 0; c < grid->ColumnCount(); ++c) {
      const CellValue& want = grid->At(r, c);
      const CellValue& got = back->At(r, c);
      if (want.Kind() == CellKind::kInteger && !rk::FitsInteger(want.Integer())) {
        // Kept exactly, as a real number.
        ASSERT_EQ(got.Kind(), CellKind::kReal) << r << "," << c;
        ASSERT_EQ(got.Real(), static_cast<double>(want.Integer()));
      } else {
        ASSERT_EQ(got, want) << r << "," << c;
      }
    }
  }
  EXPECT_EQ(loaded.BuildStream(), saved);

  // Saving the loaded workbook again gives the same stream.
  auto again = test::OutputPath("workbook-roundtrip-again.xls");
  ASSERT_TRUE(loaded.SaveAs(again));
  EXPECT_EQ(StoredStream(again), saved);

  // A save refers to the grid's texts while it writes: texts changed (and
  // their storage freed) after one save are what the next one writes.
  for (uint32_t r = 1; r <= 300; ++r) grid->Cell(r, 2)->SetWideText(u"改" + std::u16string(r % 11 + 20, u'乙'));
  grid->Cell(301, 1)->SetText("short now");
  auto changed = test::OutputPath("workbook-roundtrip-changed.xls");
  ASSERT_TRUE(book.SaveAs(changed));
  WorkbookFile reloaded;
  ASSERT_TRUE(reloaded.Load(changed));
  SheetGrid* third = reloaded.FirstSheet();
  ASSERT_NE(third, nullptr);
  for (uint32_t r = 0; r < grid->RowCount(); ++r) {
    for (uint32_t c = 1; c < 4; ++c) ASSERT_EQ(third->At(r, c), grid->At(r, c)) << r << "," << c;
  }
}

TEST(WorkbookFile, ExportsContinueTheRowsOfALoadedFile) {
  auto path = test::OutputPath("workbook-continue.xls");
  WorkbookFile book;
  ASSERT_TRUE(book.RenameFirstSheet(u"考勤记录"));
  SheetGrid* grid = book.FindSheet(u"考勤记录");
  grid->Cell(0, 0)->SetWideText(u"序号");
  ASSERT_TRUE(book.SaveAs(path));
  ASSERT_TRUE(book.Load(path));
  grid = book.FirstSheet();
  ASSERT_NE(grid, nullptr);
  ASSERT_EQ(grid->RowCount(), 1u);
  grid->Cell(grid->RowCount(), 0)->SetInteger(1);
  ASSERT_TRUE(book.SaveAs(path));
  ASSERT_TRUE(book.Load(path));
  EXPECT_EQ(book.FirstSheet()->RowCount(), 2u);
  EXPECT_EQ(book.FirstSheet()->At(1, 0).Integer(), 1);
  EXPECT_EQ(book.FirstSheet()->At(0, 0).WideText(), u"序号");
}

TEST(WorkbookFile, CellBeyondTheSheetIsRefusedWithoutGrowing) {
  WorkbookFile book;
  SheetGrid* grid = book.FirstSheet();
  EXPECT_NE(grid->Cell(65535, 2), nullptr);
  EXPECT_EQ(grid->RowCount(), 65536u);
  EXPECT_EQ(grid->ColumnCount(), 3u);
  EXPECT_EQ(grid->Cell(65536, 0), nullptr);
  EXPECT_EQ(grid->Cell(0, 256), nullptr);
  EXPECT_EQ(grid->RowCount(), 65536u);
  EXPECT_EQ(grid->ColumnCount(), 3u);
  // Growing columns gives every row empty cells up to the new width.
  grid->Cell(3, 9)->SetInteger(1);
  EXPECT_EQ(grid->ColumnCount(), 10u);
  EXPECT_TRUE(grid->At(2, 8).IsEmpty());
}

TEST(WorkbookFile, SettersFollowTheKindRules) {
  CellValue cell;
  cell.SetWideText(u"宽");
  EXPECT_EQ(cell.Kind(), CellKind::kWideText);
  cell.SetText("narrow");
  EXPECT_EQ(cell.Kind(), CellKind::kText);
  EXPECT_TRUE(cell.WideText().empty());
  cell.SetWideText(u"");
  EXPECT_EQ(cell.Kind(), CellKind::kEmpty);
  EXPECT_TRUE(cell.Text().empty());
  EXPECT_FALSE(cell.SetText(std::string(70000, 'x')));  // beyond a shared string's length
  EXPECT_EQ(cell.Kind(), CellKind::kEmpty);
}

TEST(WorkbookFile, RenameRefusesNamesAnotherSheetHasOrNoSheetCanHold) {
  WorkbookFile book;
  EXPECT_EQ(book.FindSheet(u"Sheet1"), nullptr);  // narrow names are not compared
  EXPECT_TRUE(book.RenameFirstSheet(u"用户信息"));
  EXPECT_FALSE(book.RenameFirstSheet(u"用户信息"));
  EXPECT_FALSE(book.RenameFirstSheet(u""));
  EXPECT_FALSE(book.RenameFirstSheet(std::u16string(32, u'名')));
  EXPECT_NE(book.FindSheet(u"用户信息"), nullptr);
}

TEST(WorkbookFile, LoadFailsForFilesThatAreNotWorkbooks) {
  WorkbookFile book;
  EXPECT_FALSE(book.Load(test::OutputPath("workbook-missing.xls")));
  EXPECT_EQ(book.FirstSheet(), nullptr);
  auto text = test::OutputPath("workbook-text.xls");
  test::WriteFileBytes(text, std::vector<uint8_t>(600, 'a'));
  EXPECT_FALSE(book.Load(text));

  auto other = test::OutputPath("workbook-other-stream.xls");
  ContainerFile container;
  ASSERT_TRUE(container.Create(other));
  ASSERT_EQ(container.MakeStream(u"Book"), 1);
  container.Close();
  EXPECT_TRUE(book.Load(other));  // a container without the stream: no sheets
  EXPECT_EQ(book.FirstSheet(), nullptr);
}

TEST(WorkbookFile, DamagedStreamsAreRefusedNeverFollowed) {
  WorkbookFile book;
  FillSample(*book.FirstSheet());
  auto good = book.BuildStream();
  auto path = test::OutputPath("workbook-damaged.xls");
  auto store = [&](const std::vector<uint8_t>& stream) {
    ContainerFile container;
    ASSERT_TRUE(container.Create(path));
    ASSERT_EQ(container.MakeStream(u"Workbook"), 1);
    ASSERT_EQ(container.WriteStream(u"Workbook", stream.data(), stream.size()), 1);
  };

  auto truncated = good;
  truncated.resize(good.size() / 2);
  store(truncated);
  EXPECT_FALSE(book.Load(path));

  // A used range beyond the sheet limits.
  WorkbookFile small;
  small.FirstSheet()->Cell(0, 0)->SetInteger(1);
  auto stream = small.BuildStream();
  for (size_t pos = 0; pos + 4 <= stream.size(); pos += 4 + GetU16(&stream[pos + 2])) {
    if (GetU16(&stream[pos]) == 0x0200) PutU32(&stream[pos + 4 + 4], 0x7FFFFFFF);
  }
  store(stream);
  EXPECT_FALSE(small.Load(path));

  // Random damage: every outcome is allowed except a crash or a hang.
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    auto damaged = good;
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
    store(damaged);
    WorkbookFile reader;
    if (reader.Load(path)) {
      for (size_t s = 0; s < reader.SheetCount(); ++s) EXPECT_LE(reader.Worksheets().size(), 1u);
    }
  }
}

}  // namespace
}  // namespace ostrand
