#include "workbook/biff8/index_record.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace index_layout;

bool IndexRecord::Decode() {
  if (data_.size() < kDbCellPositions) return false;
  firstRow = GetU32(&data_[kFirstRow]);
  lastRowPlusOne = GetU32(&data_[kLastRowPlusOne]);
  dbCellPositions.clear();
  for (size_t at = kDbCellPositions; at + 4 <= data_.size(); at += 4) dbCellPositions.push_back(GetU32(&data_[at]));
  return true;
}

void IndexRecord::Encode() {
  data_.assign(kDbCellPositions + 4 * dbCellPositions.size(), 0);
  PutU32(&data_[kFirstRow], firstRow);
  PutU32(&data_[kLastRowPlusOne], lastRowPlusOne);
  for (size_t i = 0; i < dbCellPositions.size(); ++i) PutU32(&data_[kDbCellPositions + 4 * i], dbCellPositions[i]);
}

}  // namespace ostrand
