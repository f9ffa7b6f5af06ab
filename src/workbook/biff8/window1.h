#pragma once
// WINDOW1: position and size of the workbook window and the sheet tabs.

#include "workbook/biff8/record.h"

namespace ostrand {

namespace window1_layout {
inline constexpr size_t kHorizontalPosition = 0;
inline constexpr size_t kVerticalPosition = 2;
inline constexpr size_t kWidth = 4;
inline constexpr size_t kHeight = 6;
inline constexpr size_t kOptions = 8;
inline constexpr size_t kActiveSheet = 10;
inline constexpr size_t kFirstVisibleTab = 12;
inline constexpr size_t kSelectedTabs = 14;
inline constexpr size_t kTabBarWidth = 16;
inline constexpr size_t kSize = 18;
}  // namespace window1_layout

class Window1Record : public Record {
 public:
  Window1Record() : Record(biff::kWindow1) {}

  uint16_t horizontalPosition = 0x0078;
  uint16_t verticalPosition = 0x0078;
  uint16_t width = 0x3B1F;
  uint16_t height = 0x2454;
  uint16_t options = 0x0038;
  uint16_t activeSheet = 0;
  uint16_t firstVisibleTab = 0;
  uint16_t selectedTabs = 1;
  uint16_t tabBarWidth = 0x0258;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
