#pragma once
// One worksheet substream: BOF, INDEX, DIMENSIONS, the cell table in row
// blocks, WINDOW2 and EOF.

#include <vector>

#include "workbook/biff8/bof.h"
#include "workbook/biff8/dimensions.h"
#include "workbook/biff8/eof_record.h"
#include "workbook/biff8/index_record.h"
#include "workbook/biff8/row_block.h"
#include "workbook/biff8/window2.h"

namespace ostrand {

class Worksheet {
 public:
  using Index = IndexRecord;
  using Dimensions = DimensionsRecord;
  using Window2 = Window2Record;
  struct CellTable {
    using RowBlock = ostrand::RowBlock;
    std::vector<RowBlock> blocks;
  };

  explicit Worksheet(bool firstSheet = true);

  // Fixes the DBCELL contents and the INDEX positions for a substream that
  // starts at stream offset start; returns the substream's length.
  size_t Layout(size_t start);
  // Writes the substream at pos (after Layout); returns the bytes written,
  // 0 when they do not fit.
  size_t Write(uint8_t* stream, size_t size, size_t pos);

  BOF bof{BOF::kWorksheet};
  Index index;
  Dimensions dimensions;
  CellTable cellTable;
  Window2 window2;
  EofRecord eof;
  bool hasDimensions = false;  // a DIMENSIONS record was read
};

}  // namespace ostrand
