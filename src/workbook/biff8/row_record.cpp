#include "workbook/biff8/row_record.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace row_layout;

bool RowRecord::Decode() {
  if (data_.size() < kSize) return false;
  row = GetU16(&data_[kRow]);
  firstColumn = GetU16(&data_[kFirstColumn]);
  lastColumnPlusOne = GetU16(&data_[kLastColumnPlusOne]);
  height = GetU16(&data_[kHeight]);
  options = GetU32(&data_[kOptions]);
  return true;
}

uint8_t* PutRowRecord(uint8_t* out, uint16_t row, uint16_t firstColumn, uint16_t lastColumnPlusOne, uint16_t height,
                      uint32_t options) {
  PutU16(out, biff::kRow);
  PutU16(out + 2, static_cast<uint16_t>(kSize));
  uint8_t* d = out + biff::kRecordHeaderSize;
  PutU16(d + kRow, row);
  PutU16(d + kFirstColumn, firstColumn);
  PutU16(d + kLastColumnPlusOne, lastColumnPlusOne);
  PutU16(d + kHeight, height);
  PutU16(d + kReserved1, 0);
  PutU16(d + kReserved2, 0);
  PutU32(d + kOptions, options);
  return d + kSize;
}

// Rows are written by the ten thousand; they go straight into the stream.
size_t RowRecord::Write(uint8_t* stream, size_t size, size_t pos) {
  size_t total = RecordSize();
  if (pos > size || size - pos < total) return 0;
  PutRowRecord(stream + pos, row, firstColumn, lastColumnPlusOne, height, options);
  return total;
}

}  // namespace ostrand
