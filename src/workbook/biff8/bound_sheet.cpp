#include "workbook/biff8/bound_sheet.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace bound_sheet_layout;

bool BoundSheetRecord::Decode() {
  if (data_.size() < kName) return false;
  position = GetU32(&data_[kPosition]);
  visibility = data_[kVisibility];
  sheetType = data_[kSheetType];
  size_t count = data_[kNameLength];
  nameFlag = data_[kNameFlag] & 1;
  narrowName.clear();
  wideName.clear();
  if (nameFlag != 0) {
    if (data_.size() < kName + 2 * count) return false;
    for (size_t i = 0; i < count; ++i) wideName.push_back(GetU16(&data_[kName + 2 * i]));
  } else {
    if (data_.size() < kName + count) return false;
    narrowName.assign(reinterpret_cast<const char*>(&data_[kName]), count);
  }
  return true;
}

void BoundSheetRecord::Encode() {
  size_t count = nameFlag != 0 ? wideName.size() : narrowName.size();
  data_.assign(kName + (nameFlag != 0 ? 2 * count : count), 0);
  PutU32(&data_[kPosition], position);
  data_[kVisibility] = visibility;
  data_[kSheetType] = sheetType;
  data_[kNameLength] = static_cast<uint8_t>(count);
  data_[kNameFlag] = nameFlag;
  for (size_t i = 0; i < count; ++i) {
    if (nameFlag != 0) {
      PutU16(&data_[kName + 2 * i], wideName[i]);
    } else {
      data_[kName + i] = static_cast<uint8_t>(narrowName[i]);
    }
  }
}

}  // namespace ostrand
