#include "workbook/biff8/row_block.h"

namespace ostrand {

size_t RowBlock::LayoutDbCell() {
  if (!cellBytesOfRow.empty()) {
    const size_t rowsLength = rowBytes.size();
    dbCell.rowOffsets.assign(cellBytesOfRow.size(), 0);
    dbCell.rowOffsets[0] = static_cast<uint16_t>(rowsLength - biff::kRecordHeaderSize - row_layout::kSize);
    for (size_t k = 1; k < cellBytesOfRow.size(); ++k) dbCell.rowOffsets[k] = static_cast<uint16_t>(cellBytesOfRow[k - 1]);
    dbCell.firstRowDistance = static_cast<uint32_t>(rowsLength + cellBytes.size());
    return rowsLength + cellBytes.size();
  }
  size_t rowsLength = 0;
  for (Row& row : rows) rowsLength += row.RecordSize();
  std::vector<size_t> cellsOfRow(rows.size(), 0);
  size_t length = rowsLength;
  size_t rowIndex = 0;
  for (CellBlock& cell : cells) {
    while (rowIndex + 1 < rows.size() && rows[rowIndex].row < cell.row) ++rowIndex;
    size_t cellLength = cell.RecordSize();
    if (!rows.empty()) cellsOfRow[rowIndex] += cellLength;
    length += cellLength;
  }
  // The first entry leads from the second ROW to the first cell; each
  // further one spans the cells of the row before.
  dbCell.rowOffsets.assign(rows.size(), 0);
  if (!rows.empty()) dbCell.rowOffsets[0] = static_cast<uint16_t>(rowsLength - rows.front().RecordSize());
  for (size_t k = 1; k < rows.size(); ++k) dbCell.rowOffsets[k] = static_cast<uint16_t>(cellsOfRow[k - 1]);
  dbCell.firstRowDistance = static_cast<uint32_t>(length);
  return length;
}

}  // namespace ostrand
