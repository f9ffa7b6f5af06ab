#pragma once
// The cell records of a row block (RK, MULRK, NUMBER, LABELSST, BLANK,
// MULBLANK, BOOLERR, FORMULA), one class tagged by its record code. Cells are
// the bulk of a sheet, so they are written straight into the stream.

#include <utility>
#include <vector>

#include "workbook/biff8/record.h"
#include "workbook/byte_order.h"

namespace ostrand {

namespace cell_layout {
inline constexpr size_t kRow = 0;
inline constexpr size_t kColumn = 2;  // first column of MULRK and MULBLANK
inline constexpr size_t kXf = 4;
inline constexpr size_t kValue = 6;   // RK value, SST index, number, Boolean or error
inline constexpr size_t kHeaderSize = 6;
inline constexpr size_t kRkSize = 10;
inline constexpr size_t kLabelSstSize = 10;
inline constexpr size_t kNumberSize = 14;
inline constexpr size_t kBlankSize = 6;
inline constexpr size_t kBoolErrSize = 8;
inline constexpr size_t kMulRkEntrySize = 6;   // XF (2), RK value (4)
inline constexpr size_t kMulTrailerSize = 2;   // last column
}  // namespace cell_layout

// Integers in the RK form: value << 2 with bit 1 set (bit 0 would divide by 100).
namespace rk {
inline constexpr int32_t kMinInteger = -(1 << 29);
inline constexpr int32_t kMaxInteger = (1 << 29) - 1;
inline constexpr uint32_t kHundredthsFlag = 0x1;
inline constexpr uint32_t kIntegerFlag = 0x2;

inline bool FitsInteger(int64_t v) { return v >= kMinInteger && v <= kMaxInteger; }
inline uint32_t FromInteger(int32_t v) { return (static_cast<uint32_t>(v) << 2) | kIntegerFlag; }
inline bool IsInteger(uint32_t value) { return (value & kIntegerFlag) != 0; }
// The integer an RK value stands for: the integer form, or with the
// hundredths flag a multiple of 100 divided by 100. False for anything else
// (3.5 stored as 350 hundredths must not come back as 3).
bool ToExactInteger(uint32_t value, int32_t& integer);
// The value as a real number, whatever its form.
double ToNumber(uint32_t value);
}  // namespace rk

// The commonest cell records as bytes, for a save that writes a sheet's
// cells straight into its row blocks. Each writes the whole record (header
// included) at out and returns the end of what it wrote.
namespace cell_bytes {
inline uint8_t* PutHeader(uint8_t* out, uint16_t code, size_t dataSize, uint16_t row, uint16_t column) {
  PutU16(out, code);
  PutU16(out + 2, static_cast<uint16_t>(dataSize));
  PutU16(out + biff::kRecordHeaderSize + cell_layout::kRow, row);
  PutU16(out + biff::kRecordHeaderSize + cell_layout::kColumn, column);
  return out + biff::kRecordHeaderSize;
}
// RK and LABELSST: row, column, XF and one 32-bit value.
inline uint8_t* PutU32Cell(uint8_t* out, uint16_t code, size_t dataSize, uint16_t row, uint16_t column, uint16_t xf,
                           uint32_t value) {
  uint8_t* d = PutHeader(out, code, dataSize, row, column);
  PutU16(d + cell_layout::kXf, xf);
  PutU32(d + cell_layout::kValue, value);
  return d + dataSize;
}
inline uint8_t* PutRk(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, uint32_t rkValue) {
  return PutU32Cell(out, biff::kRk, cell_layout::kRkSize, row, column, xf, rkValue);
}
inline uint8_t* PutLabelSst(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, uint32_t sstIndex) {
  return PutU32Cell(out, biff::kLabelSst, cell_layout::kLabelSstSize, row, column, xf, sstIndex);
}
inline uint8_t* PutNumber(uint8_t* out, uint16_t row, uint16_t column, uint16_t xf, double value) {
  uint8_t* d = PutHeader(out, biff::kNumber, cell_layout::kNumberSize, row, column);
  PutU16(d + cell_layout::kXf, xf);
  PutF64(d + cell_layout::kValue, value);
  return d + cell_layout::kNumberSize;
}
inline constexpr size_t MulRkSize(size_t count) {
  return biff::kRecordHeaderSize + 4 + cell_layout::kMulRkEntrySize * count + cell_layout::kMulTrailerSize;
}
// count cells from firstColumn on, all with XF 0; count at least 2.
inline uint8_t* PutMulRk(uint8_t* out, uint16_t row, uint16_t firstColumn, const uint32_t* rkValues, size_t count) {
  uint8_t* e = PutHeader(out, biff::kMulRk, MulRkSize(count) - biff::kRecordHeaderSize, row, firstColumn) + 4;
  for (size_t i = 0; i < count; ++i, e += cell_layout::kMulRkEntrySize) {
    PutU16(e, 0);
    PutU32(e + 2, rkValues[i]);
  }
  PutU16(e, static_cast<uint16_t>(firstColumn + count - 1));
  return e + cell_layout::kMulTrailerSize;
}
}  // namespace cell_bytes

class CellRecord : public Record {
 public:
  explicit CellRecord(uint16_t code = biff::kBlank) : Record(code) {}

  static CellRecord Rk(uint16_t row, uint16_t column, uint32_t rkValue);
  static CellRecord MulRk(uint16_t row, uint16_t firstColumn, std::vector<uint32_t> rkValues);
  static CellRecord LabelSst(uint16_t row, uint16_t column, uint32_t sstIndex);
  static CellRecord Number(uint16_t row, uint16_t column, double value);

  static bool IsCellCode(uint16_t code);

  uint16_t row = 0;
  uint16_t column = 0;  // first column for MULRK and MULBLANK
  uint16_t xf = 0;
  uint8_t boolOrError = 0;                         // BOOLERR value
  bool isError = false;                            // BOOLERR: an error code, not a Boolean
  uint32_t rkValue = 0;                            // RK
  uint32_t sstIndex = 0;                           // LABELSST
  double number = 0;                               // NUMBER
  // MULRK: XF and RK value per cell; MULBLANK: XF per cell (the value unused).
  std::vector<std::pair<uint16_t, uint32_t>> run;

  size_t DataSize() override;
  size_t RecordSize() override;
  size_t Write(uint8_t* stream, size_t size, size_t pos) override;

 protected:
  bool Decode() override;
};

}  // namespace ostrand
