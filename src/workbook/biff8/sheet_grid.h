#pragma once
// The cells of one worksheet as rows x columns, grown on demand up to the
// sheet limits. Rows are only stored once a cell in them is asked for, so a
// sheet whose used range is large but sparse stays small in memory.

#include <cstdint>
#include <vector>

#include "workbook/biff8/cell_value.h"

namespace ostrand {

class WorkbookFile;

class SheetGrid {
 public:
  static constexpr uint32_t kMaxRows = 65536;
  static constexpr uint32_t kMaxColumns = 256;

  SheetGrid(WorkbookFile* owner, size_t sheetIndex) : owner_(owner), sheetIndex_(sheetIndex) {}

  // The cell at (row, col), growing the grid to hold it; nullptr beyond the
  // sheet limits (row 65535, column 255), where the grid does not grow.
  CellValue* Cell(uint32_t row, uint32_t col);
  // Read-only view: an empty cell outside the grid.
  const CellValue& At(uint32_t row, uint32_t col) const;
  // The stored cells of a row (may be fewer than ColumnCount; the rest are empty).
  const std::vector<CellValue>& RowCells(uint32_t row) const;

  uint32_t RowCount() const { return rowCount_; }
  uint32_t ColumnCount() const { return columnCount_; }
  // Empty cells, rows x columns (each clamped to the sheet limits).
  void Reset(uint32_t rows, uint32_t columns);

  WorkbookFile* Owner() const { return owner_; }
  size_t SheetIndex() const { return sheetIndex_; }

 private:
  WorkbookFile* owner_;
  size_t sheetIndex_;
  uint32_t rowCount_ = 0;
  uint32_t columnCount_ = 0;
  std::vector<std::vector<CellValue>> rows_;
};

}  // namespace ostrand
