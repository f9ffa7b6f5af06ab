#include "workbook/biff8/style.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace style_layout;

StyleRecord::StyleRecord() : Record(biff::kStyle) {
  data_.assign(kSize, 0);
  PutU16(&data_[kXfAndFlags], 0x8000);
  data_[kIdentifier] = 0;
  data_[kLevel] = 0xFF;
}

}  // namespace ostrand
