#pragma once
// DBCELL: closes a row block; lets a reader find the block's first ROW and
// the first cell of each row without walking every record.

#include <vector>

#include "workbook/biff8/record.h"

namespace ostrand {

namespace db_cell_layout {
inline constexpr size_t kFirstRowDistance = 0;
inline constexpr size_t kRowOffsets = 4;
}  // namespace db_cell_layout

class DbCellRecord : public Record {
 public:
  DbCellRecord() : Record(biff::kDbCell) {}

  uint32_t firstRowDistance = 0;
  std::vector<uint16_t> rowOffsets;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
