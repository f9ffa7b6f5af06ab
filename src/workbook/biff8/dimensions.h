#pragma once
// DIMENSIONS: the used range of a worksheet (last row and column exclusive).

#include "workbook/biff8/record.h"

namespace ostrand {

namespace dimensions_layout {
inline constexpr size_t kFirstRow = 0;
inline constexpr size_t kLastRowPlusOne = 4;
inline constexpr size_t kFirstColumn = 8;
inline constexpr size_t kLastColumnPlusOne = 10;
inline constexpr size_t kReserved = 12;
inline constexpr size_t kSize = 14;
}  // namespace dimensions_layout

class DimensionsRecord : public Record {
 public:
  DimensionsRecord() : Record(biff::kDimensions) {}

  uint32_t firstRow = 0;
  uint32_t lastRowPlusOne = 0;
  uint16_t firstColumn = 0;
  uint16_t lastColumnPlusOne = 0;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
