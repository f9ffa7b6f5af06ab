#pragma once
// WINDOW2: how a worksheet is shown (grid lines, headers, selection).

#include "workbook/biff8/record.h"

namespace ostrand {

namespace window2_layout {
inline constexpr size_t kOptions = 0;
inline constexpr size_t kFirstVisibleRow = 2;
inline constexpr size_t kFirstVisibleColumn = 4;
inline constexpr size_t kGridLineColour = 6;
inline constexpr size_t kReserved = 8;
inline constexpr size_t kSize = 18;
inline constexpr size_t kMinimumSize = 10;  // chart sheets stop after the colour
}  // namespace window2_layout

class Window2Record : public Record {
 public:
  static constexpr uint16_t kFirstSheetOptions = 0x06B6;
  static constexpr uint16_t kOtherSheetOptions = 0x04B6;

  explicit Window2Record(uint16_t sheetOptions = kFirstSheetOptions);

  uint16_t options;
  uint16_t firstVisibleRow = 0;
  uint16_t firstVisibleColumn = 0;
  uint16_t gridLineColour = 0x0040;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
