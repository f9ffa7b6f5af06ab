#pragma once
// A row block: the ROW records of up to 32 consecutive rows, the cell
// records of those rows and the DBCELL that closes the block.

#include <vector>

#include "workbook/biff8/cell_record.h"
#include "workbook/biff8/db_cell.h"
#include "workbook/biff8/row_record.h"

namespace ostrand {

inline constexpr uint32_t kRowsPerBlock = 32;

class RowBlock {
 public:
  using Row = RowRecord;
  using CellBlock = CellRecord;
  using DBCell = DbCellRecord;

  std::vector<Row> rows;
  std::vector<CellBlock> cells;
  DBCell dbCell;
  bool closed = false;  // its DBCELL has been read

  // A save writes a block as bytes instead of records: its ROW records, its
  // cell records, and how many of the cell bytes belong to each of its rows
  // (one entry per ROW). A block holds either these or the records above.
  std::vector<uint8_t> rowBytes;
  std::vector<uint8_t> cellBytes;
  std::vector<uint32_t> cellBytesOfRow;

  // Length of the ROW and cell records: the distance from the DBCELL back
  // to the first ROW. Fills in the DBCELL from the rows' cell lengths.
  size_t LayoutDbCell();
};

}  // namespace ostrand
