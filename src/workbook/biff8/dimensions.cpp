#include "workbook/biff8/dimensions.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace dimensions_layout;

bool DimensionsRecord::Decode() {
  if (data_.size() < kSize) return false;
  firstRow = GetU32(&data_[kFirstRow]);
  lastRowPlusOne = GetU32(&data_[kLastRowPlusOne]);
  firstColumn = GetU16(&data_[kFirstColumn]);
  lastColumnPlusOne = GetU16(&data_[kLastColumnPlusOne]);
  return true;
}

void DimensionsRecord::Encode() {
  data_.assign(kSize, 0);
  PutU32(&data_[kFirstRow], firstRow);
  PutU32(&data_[kLastRowPlusOne], lastRowPlusOne);
  PutU16(&data_[kFirstColumn], firstColumn);
  PutU16(&data_[kLastColumnPlusOne], lastColumnPlusOne);
}

}  // namespace ostrand
