#pragma once
// Turns the grids into worksheet records and the shared string table, as
// every save does: empty cells are left out, runs of integers share one
// MULRK, texts go to the string table once per distinct value.

#include <string>
#include <string_view>
#include <unordered_map>

#include "workbook/biff8/shared_string_table.h"
#include "workbook/biff8/sheet_grid.h"
#include "workbook/biff8/worksheet.h"

namespace ostrand {

// Collects the strings of all sheets into one table. The lookups hold views
// of the grids' texts, which stay put while the records are built.
class StringTableBuilder {
 public:
  // expected: about how many texts the grids hold, to size the lookups once.
  StringTableBuilder(SharedStringTable& table, size_t expected);

  uint32_t AddNarrow(std::string_view text);
  uint32_t AddWide(std::u16string_view text);

 private:
  SharedStringTable& table_;
  std::unordered_map<std::string_view, uint32_t> narrow_;
  std::unordered_map<std::u16string_view, uint32_t> wide_;
};

// How many text cells a grid holds.
size_t CountTexts(const SheetGrid& grid);

// The records of one sheet; firstSheet picks the WINDOW2 options.
Worksheet BuildWorksheet(const SheetGrid& grid, bool firstSheet, StringTableBuilder& strings);

}  // namespace ostrand
