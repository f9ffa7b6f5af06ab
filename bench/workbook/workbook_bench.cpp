// Writing and reading back one export part: 50000 rows of an integer, a
// narrow text and three UTF-16 texts. compare_with_xlwt.py sets the time of
// the save against python3-xlwt writing the same rows.

#include <benchmark/benchmark.h>

#include "figures.h"

#include <filesystem>
#include <string>

#include "workbook/workbook_file.h"

namespace {

using namespace ostrand;

constexpr uint32_t kRows = 50000;

std::u16string Utf16Digits(uint32_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// The same rows compare_with_xlwt.py writes with xlwt.
void FillRows(SheetGrid& grid) {
  const char16_t* header[] = {u"序号", u"卡号", u"姓名", u"部门", u"备注"};
  for (uint32_t c = 0; c < 5; ++c) grid.Cell(0, c)->SetWideText(header[c]);
  for (uint32_t i = 1; i <= kRows; ++i) {
    std::u16string number = Utf16Digits(i);
    grid.Cell(i, 0)->SetInteger(static_cast<int32_t>(i));
    grid.Cell(i, 1)->SetText("C" + std::to_string(10000000 + i));
    grid.Cell(i, 2)->SetWideText(u"张三" + number);
    grid.Cell(i, 3)->SetWideText(u"研发部" + Utf16Digits(i % 50));
    grid.Cell(i, 4)->SetWideText(u"2026-12-09 08:30:00 上班" + number);
  }
}

std::filesystem::path BenchFile() {
  std::filesystem::path dir(WORKBOOK_BENCH_DIR);
  std::filesystem::create_directories(dir);
  return dir / "bench-50000-rows.xls";
}

// Fill and save, as an export part does.
void BM_SaveAs50000Rows(benchmark::State& state) {
  auto path = BenchFile();
  for (auto _ : state) {
    WorkbookFile book;
    book.RenameFirstSheet(u"考勤记录");
    FillRows(*book.FindSheet(u"考勤记录"));
    if (!book.SaveAs(path)) state.SkipWithError("SaveAs failed");
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_SaveAs50000Rows)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_Load50000Rows(benchmark::State& state) {
  auto path = BenchFile();
  {
    WorkbookFile book;
    book.RenameFirstSheet(u"考勤记录");
    FillRows(*book.FindSheet(u"考勤记录"));
    if (!book.SaveAs(path)) state.SkipWithError("SaveAs failed");
  }
  for (auto _ : state) {
    WorkbookFile book;
    if (!book.Load(path) || book.FirstSheet() == nullptr || book.FirstSheet()->RowCount() != kRows + 1) {
      state.SkipWithError("Load failed");
    }
  }
}
BENCHMARK(BM_Load50000Rows)->Unit(benchmark::kMillisecond)->Iterations(8);

const bool kFigures =
    ostrand::bench::AddFigure({"workbook save, 50000 rows", {"BM_SaveAs50000Rows", "cpu_ms"}, 1, "ms", "<=500"}) &&
    ostrand::bench::AddFigure({"workbook load, 50000 rows", {"BM_Load50000Rows", "cpu_ms"}, 1, "ms", "<=500"});

}  // namespace
