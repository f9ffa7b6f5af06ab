#pragma once
// BOF: opens the workbook globals (type 0x0005) and each worksheet (0x0010).

#include "workbook/biff8/record.h"

namespace ostrand {

namespace bof_layout {
inline constexpr size_t kVersion = 0;
inline constexpr size_t kType = 2;
inline constexpr size_t kBuild = 4;
inline constexpr size_t kYear = 6;
inline constexpr size_t kHistory = 8;
inline constexpr size_t kLowestVersion = 12;
inline constexpr size_t kSize = 16;
inline constexpr size_t kMinimumSize = 4;  // version and type
}  // namespace bof_layout

class BOF : public Record {
 public:
  static constexpr uint16_t kGlobals = 0x0005;
  static constexpr uint16_t kWorksheet = 0x0010;

  explicit BOF(uint16_t type = kGlobals);

  uint16_t version = 0x0600;
  uint16_t type;
  uint16_t build = 0x19A0;
  uint16_t year = 0x07CD;
  uint32_t history = 0x0000C0C9;
  uint32_t lowestVersion = 0x00000306;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
