#include "workbook/biff8/window1.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace window1_layout;

bool Window1Record::Decode() {
  if (data_.size() < kSize) return false;
  horizontalPosition = GetU16(&data_[kHorizontalPosition]);
  verticalPosition = GetU16(&data_[kVerticalPosition]);
  width = GetU16(&data_[kWidth]);
  height = GetU16(&data_[kHeight]);
  options = GetU16(&data_[kOptions]);
  activeSheet = GetU16(&data_[kActiveSheet]);
  firstVisibleTab = GetU16(&data_[kFirstVisibleTab]);
  selectedTabs = GetU16(&data_[kSelectedTabs]);
  tabBarWidth = GetU16(&data_[kTabBarWidth]);
  return true;
}

void Window1Record::Encode() {
  data_.assign(kSize, 0);
  PutU16(&data_[kHorizontalPosition], horizontalPosition);
  PutU16(&data_[kVerticalPosition], verticalPosition);
  PutU16(&data_[kWidth], width);
  PutU16(&data_[kHeight], height);
  PutU16(&data_[kOptions], options);
  PutU16(&data_[kActiveSheet], activeSheet);
  PutU16(&data_[kFirstVisibleTab], firstVisibleTab);
  PutU16(&data_[kSelectedTabs], selectedTabs);
  PutU16(&data_[kTabBarWidth], tabBarWidth);
}

}  // namespace ostrand
