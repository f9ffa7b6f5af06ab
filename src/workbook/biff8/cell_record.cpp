#include "workbook/biff8/cell_record.h"

#include <cstring>

#include "workbook/byte_order.h"

namespace ostrand {

using namespace cell_layout;

bool rk::ToExactInteger(uint32_t value, int32_t& integer) {
  if (!IsInteger(value)) return false;
  int32_t v = static_cast<int32_t>(value) >> 2;  // arithmetic shift keeps the sign
  if ((value & kHundredthsFlag) != 0) {
    if (v % 100 != 0) return false;
    v /= 100;
  }
  integer = v;
  return true;
}

double rk::ToNumber(uint32_t value) {
  double v;
  if (IsInteger(value)) {
    v = static_cast<double>(static_cast<int32_t>(value) >> 2);
  } else {
    v = GetF64Bits(static_cast<uint64_t>(value & 0xFFFFFFFCu) << 32);
  }
  if ((value & kHundredthsFlag) != 0) v /= 100;
  return v;
}

CellRecord CellRecord::Rk(uint16_t r, uint16_t c, uint32_t value) {
  CellRecord cell(biff::kRk);
  cell.row = r;
  cell.column = c;
  cell.rkValue = value;
  return cell;
}

CellRecord CellRecord::MulRk(uint16_t r, uint16_t firstColumn, std::vector<uint32_t> values) {
  CellRecord cell(biff::kMulRk);
  cell.row = r;
  cell.column = firstColumn;
  cell.run.reserve(values.size());
  for (uint32_t v : values) cell.run.emplace_back(0, v);
  return cell;
}

CellRecord CellRecord::LabelSst(uint16_t r, uint16_t c, uint32_t index) {
  CellRecord cell(biff::kLabelSst);
  cell.row = r;
  cell.column = c;
  cell.sstIndex = index;
  return cell;
}

CellRecord CellRecord::Number(uint16_t r, uint16_t c, double value) {
  CellRecord cell(biff::kNumber);
  cell.row = r;
  cell.column = c;
  cell.number = value;
  return cell;
}

bool CellRecord::IsCellCode(uint16_t code) {
  switch (code) {
    case biff::kRk:
    case biff::kMulRk:
    case biff::kNumber:
    case biff::kLabelSst:
    case biff::kBlank:
    case biff::kMulBlank:
    case biff::kBoolErr:
    case biff::kFormula:
      return true;
    default:
      return false;
  }
}

bool CellRecord::Decode() {
  const size_t n = data_.size();
  if (n < kHeaderSize) return false;
  row = GetU16(&data_[kRow]);
  column = GetU16(&data_[kColumn]);
  xf = GetU16(&data_[kXf]);
  switch (code_) {
    case biff::kRk:
      if (n < kRkSize) return false;
      rkValue = GetU32(&data_[kValue]);
      return true;
    case biff::kLabelSst:
      if (n < kLabelSstSize) return false;
      sstIndex = GetU32(&data_[kValue]);
      return true;
    case biff::kNumber:
      if (n < kNumberSize) return false;
      number = GetF64(&data_[kValue]);
      return true;
    case biff::kBoolErr:
      if (n < kBoolErrSize) return false;
      boolOrError = data_[kValue];
      isError = data_[kValue + 1] != 0;
      return true;
    case biff::kMulRk: {
      if (n < 4 + kMulTrailerSize) return false;
      size_t count = (n - 4 - kMulTrailerSize) / kMulRkEntrySize;
      run.clear();
      run.reserve(count);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = &data_[4 + i * kMulRkEntrySize];
        run.emplace_back(GetU16(e), GetU32(e + 2));
      }
      xf = run.empty() ? 0 : run.front().first;
      return true;
    }
    case biff::kMulBlank: {
      size_t count = (n - 4 - kMulTrailerSize) / 2;
      run.clear();
      run.reserve(count);
      for (size_t i = 0; i < count; ++i) run.emplace_back(GetU16(&data_[4 + 2 * i]), 0);
      return true;
    }
    default:  // BLANK and FORMULA need only their position
      return true;
  }
}

size_t CellRecord::DataSize() {
  switch (code_) {
    case biff::kRk:
      dataSize_ = kRkSize;
      break;
    case biff::kLabelSst:
      dataSize_ = kLabelSstSize;
      break;
    case biff::kNumber:
      dataSize_ = kNumberSize;
      break;
    case biff::kBoolErr:
      dataSize_ = kBoolErrSize;
      break;
    case biff::kBlank:
      dataSize_ = kBlankSize;
      break;
    case biff::kMulRk:
      dataSize_ = 4 + kMulRkEntrySize * run.size() + kMulTrailerSize;
      break;
    case biff::kMulBlank:
      dataSize_ = 4 + 2 * run.size() + kMulTrailerSize;
      break;
    default:
      dataSize_ = data_.size();
      break;
  }
  return dataSize_;
}

size_t CellRecord::RecordSize() {
  return recordSize_ = biff::kRecordHeaderSize + DataSize();
}

size_t CellRecord::Write(uint8_t* stream, size_t size, size_t pos) {
  size_t total = RecordSize();
  if (pos > size || size - pos < total || dataSize_ > biff::kMaxRecordData) return 0;
  uint8_t* out = stream + pos;
  PutU16(out, code_);
  PutU16(out + 2, static_cast<uint16_t>(dataSize_));
  uint8_t* d = out + biff::kRecordHeaderSize;
  if (code_ == biff::kFormula) {
    std::memcpy(d, data_.data(), dataSize_);
    return total;
  }
  PutU16(d + kRow, row);
  PutU16(d + kColumn, column);
  switch (code_) {
    case biff::kMulRk: {
      uint8_t* e = d + 4;
      for (const auto& [cellXf, value] : run) {
        PutU16(e, cellXf);
        PutU32(e + 2, value);
        e += kMulRkEntrySize;
      }
      PutU16(e, static_cast<uint16_t>(column + run.size() - 1));
      return total;
    }
    case biff::kMulBlank: {
      uint8_t* e = d + 4;
      for (const auto& entry : run) {
        PutU16(e, entry.first);
        e += 2;
      }
      PutU16(e, static_cast<uint16_t>(column + run.size() - 1));
      return total;
    }
    default:
      break;
  }
  switch (code_) {
    case biff::kRk:
      cell_bytes::PutRk(out, row, column, xf, rkValue);
      return total;
    case biff::kLabelSst:
      cell_bytes::PutLabelSst(out, row, column, xf, sstIndex);
      return total;
    case biff::kNumber:
      cell_bytes::PutNumber(out, row, column, xf, number);
      return total;
    default:
      break;
  }
  PutU16(d + kXf, xf);
  switch (code_) {
    case biff::kBoolErr:
      d[kValue] = boolOrError;
      d[kValue + 1] = isError ? 1 : 0;
      break;
    default:
      break;
  }
  return total;
}

}  // namespace ostrand
