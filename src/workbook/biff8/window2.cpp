#include "workbook/biff8/window2.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace window2_layout;

Window2Record::Window2Record(uint16_t sheetOptions) : Record(biff::kWindow2), options(sheetOptions) {}

bool Window2Record::Decode() {
  if (data_.size() < kMinimumSize) return false;
  options = GetU16(&data_[kOptions]);
  firstVisibleRow = GetU16(&data_[kFirstVisibleRow]);
  firstVisibleColumn = GetU16(&data_[kFirstVisibleColumn]);
  gridLineColour = GetU16(&data_[kGridLineColour]);
  return true;
}

void Window2Record::Encode() {
  data_.assign(kSize, 0);
  PutU16(&data_[kOptions], options);
  PutU16(&data_[kFirstVisibleRow], firstVisibleRow);
  PutU16(&data_[kFirstVisibleColumn], firstVisibleColumn);
  PutU16(&data_[kGridLineColour], gridLineColour);
}

}  // namespace ostrand
