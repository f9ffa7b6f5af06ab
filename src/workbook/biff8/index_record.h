#pragma once
// INDEX: the used row range of a worksheet and the stream position of the
// DBCELL that closes each row block.

#include <vector>

#include "workbook/biff8/record.h"

namespace ostrand {

namespace index_layout {
inline constexpr size_t kReserved = 0;
inline constexpr size_t kFirstRow = 4;
inline constexpr size_t kLastRowPlusOne = 8;
inline constexpr size_t kDefaultColumnWidthPosition = 12;
inline constexpr size_t kDbCellPositions = 16;
}  // namespace index_layout

class IndexRecord : public Record {
 public:
  IndexRecord() : Record(biff::kIndex) {}

  uint32_t firstRow = 0;
  uint32_t lastRowPlusOne = 0;
  std::vector<uint32_t> dbCellPositions;

 protected:
  bool Decode() override;
  void Encode() override;
};

}  // namespace ostrand
