#include "workbook/biff8/db_cell.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace db_cell_layout;

bool DbCellRecord::Decode() {
  if (data_.size() < kRowOffsets) return false;
  firstRowDistance = GetU32(&data_[kFirstRowDistance]);
  rowOffsets.clear();
  for (size_t at = kRowOffsets; at + 2 <= data_.size(); at += 2) rowOffsets.push_back(GetU16(&data_[at]));
  return true;
}

void DbCellRecord::Encode() {
  data_.assign(kRowOffsets + 2 * rowOffsets.size(), 0);
  PutU32(&data_[kFirstRowDistance], firstRowDistance);
  for (size_t i = 0; i < rowOffsets.size(); ++i) PutU16(&data_[kRowOffsets + 2 * i], rowOffsets[i]);
}

}  // namespace ostrand
