#pragma once
// Turns the grids into worksheet records and the shared string table, as
// every save does: empty cells are left out, runs of integers share one
// MULRK, texts go to the string table once per distinct value.

#include <string>
#include <unordered_map>

#include "workbook/shared_string_table.h"
#include "workbook/sheet_grid.h"
#include "workbook/worksheet.h"

namespace ostrand {

// Collects the strings of all sheets into one table.
class StringTableBuilder {
 public:
  explicit StringTableBuilder(SharedStringTable& table);

  uint32_t AddNarrow(const std::string& text);
  uint32_t AddWide(const std::u16string& text);

 private:
  SharedStringTable& table_;
  std::unordered_map<std::string, uint32_t> narrow_;
  std::unordered_map<std::u16string, uint32_t> wide_;
};

// The records of one sheet; firstSheet picks the WINDOW2 options.
Worksheet BuildWorksheet(const SheetGrid& grid, bool firstSheet, StringTableBuilder& strings);

}  // namespace ostrand
