#pragma once
// BOUNDSHEET: a sheet's name and the stream position of its BOF.

#include <string>

#include "workbook/biff8/record.h"

namespace ostrand {

namespace bound_sheet_layout {
inline constexpr size_t kPosition = 0;
inline constexpr size_t kVisibility = 4;
inline constexpr size_t kSheetType = 5;
inline constexpr size_t kNameLength = 6;  // characters, 1 byte
inline constexpr size_t kNameFlag = 7;    // 0 narrow, 1 UTF-16
inline constexpr size_t kName = 8;
}  // namespace bound_sheet_layout

class BoundSheetRecord : public Record {
 public:
  BoundSheetRecord() : Record(biff::kBoundSheet) {}

  uint32_t position = 0;
  uint8_t visibility = 0;
  uint8_t sheetType = 0;
  uint8_t nameFlag = 0;
  std::string narrowName;     // when nameFlag is 0
  std::u16string wideName;    // when nameFlag is 1

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
