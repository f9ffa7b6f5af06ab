#pragma once
// The cell records of a row block (RK, MULRK, NUMBER, LABELSST, BLANK,
// MULBLANK, BOOLERR, FORMULA), one class tagged by its record code. Cells are
// the bulk of a sheet, so they are written straight into the stream.

#include <utility>
#include <vector>

#include "workbook/biff8/record.h"

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
