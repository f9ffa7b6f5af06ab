#include "workbook/biff8/sheet_grid.h"

#include <algorithm>

namespace ostrand {

namespace {
const CellValue kEmptyCell{};
const std::vector<CellValue> kEmptyRow{};
}  // namespace

CellValue* SheetGrid::Cell(uint32_t row, uint32_t col) {
  if (row >= kMaxRows || col >= kMaxColumns) return nullptr;
  if (columnCount_ <= col) columnCount_ = col + 1;
  if (rowCount_ <= row) {
    rowCount_ = row + 1;
    rows_.resize(rowCount_);
  }
  std::vector<CellValue>& cells = rows_[row];
  if (cells.size() < columnCount_) cells.resize(columnCount_);
  return &cells[col];
}

const CellValue& SheetGrid::At(uint32_t row, uint32_t col) const {
  if (row >= rows_.size() || col >= rows_[row].size()) return kEmptyCell;
  return rows_[row][col];
}

const std::vector<CellValue>& SheetGrid::RowCells(uint32_t row) const {
  return row < rows_.size() ? rows_[row] : kEmptyRow;
}

void SheetGrid::Reset(uint32_t rows, uint32_t columns) {
  rowCount_ = std::min(rows, kMaxRows);
  columnCount_ = std::min(columns, kMaxColumns);
  rows_.clear();
  rows_.resize(rowCount_);
}

}  // namespace ostrand
