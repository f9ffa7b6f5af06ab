#pragma once
// ROW: one row that holds data, with the column range it spans.

#include "workbook/biff8/record.h"

namespace ostrand {

namespace row_layout {
inline constexpr size_t kRow = 0;
inline constexpr size_t kFirstColumn = 2;
inline constexpr size_t kLastColumnPlusOne = 4;
inline constexpr size_t kHeight = 6;
inline constexpr size_t kReserved1 = 8;
inline constexpr size_t kReserved2 = 10;
inline constexpr size_t kOptions = 12;
inline constexpr size_t kSize = 16;
}  // namespace row_layout

// A whole ROW record (header included) at out; returns the end of it.
uint8_t* PutRowRecord(uint8_t* out, uint16_t row, uint16_t firstColumn, uint16_t lastColumnPlusOne, uint16_t height,
                      uint32_t options);

class RowRecord : public Record {
 public:
  RowRecord() : Record(biff::kRow) {}
  RowRecord(uint16_t rowNumber, uint16_t columns)
      : Record(biff::kRow), row(rowNumber), lastColumnPlusOne(columns) {}

  uint16_t row = 0;
  uint16_t firstColumn = 0;
  uint16_t lastColumnPlusOne = 0;
  uint16_t height = 0x00FF;
  uint32_t options = 0;

  size_t DataSize() override { return dataSize_ = row_layout::kSize; }
  size_t RecordSize() override { return recordSize_ = biff::kRecordHeaderSize + row_layout::kSize; }
  size_t Write(uint8_t* stream, size_t size, size_t pos) override;

 protected:
  bool Decode() override;
};

}  // namespace ostrand
