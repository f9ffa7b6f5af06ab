#pragma once
// FONT: the workbook's fonts. This writer's fonts are all 10-point Arial;
// fonts read from other files are kept byte for byte.

#include "workbook/biff8/record.h"

namespace ostrand {

namespace font_layout {
inline constexpr size_t kHeight = 0;
inline constexpr size_t kOptions = 2;
inline constexpr size_t kColour = 4;
inline constexpr size_t kWeight = 6;
inline constexpr size_t kEscapement = 8;
inline constexpr size_t kUnderline = 10;
inline constexpr size_t kFamily = 11;
inline constexpr size_t kCharacterSet = 12;
inline constexpr size_t kReserved = 13;
inline constexpr size_t kNameLength = 14;
inline constexpr size_t kNameFlag = 15;
inline constexpr size_t kName = 16;
inline constexpr size_t kMinimumSize = 16;
}  // namespace font_layout

class FontRecord : public Record {
 public:
  FontRecord();

  uint16_t Height() const;

 protected:
  bool Decode() override;
};

}  // namespace ostrand
