#include "workbook/biff8/xf.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace xf_layout;

XfRecord::XfRecord() : Record(biff::kXf) {
  data_.assign(kSize, 0);
  PutU16(&data_[kTypeAndParent], 0xFFF5);
  data_[kAlignment] = 0x20;
  PutU16(&data_[kBackground], 0x20C0);
}

}  // namespace ostrand
