#include "workbook/biff8/font.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace font_layout;

FontRecord::FontRecord() : Record(biff::kFont) {
  static constexpr char16_t kArial[] = u"Arial";
  data_.assign(kName + 2 * 5, 0);
  PutU16(&data_[kHeight], 200);
  PutU16(&data_[kOptions], 0);
  PutU16(&data_[kColour], 0x7FFF);
  PutU16(&data_[kWeight], 400);
  PutU16(&data_[kEscapement], 0);
  data_[kNameLength] = 5;
  data_[kNameFlag] = 1;
  for (size_t i = 0; i < 5; ++i) PutU16(&data_[kName + 2 * i], kArial[i]);
}

uint16_t FontRecord::Height() const { return GetU16(&data_[kHeight]); }

bool FontRecord::Decode() { return data_.size() >= kMinimumSize; }

}  // namespace ostrand
