#include "workbook/biff8/record.h"

#include <cstring>

#include "workbook/byte_order.h"

namespace ostrand {

bool Record::PeekHeader(const uint8_t* stream, size_t size, size_t pos, uint16_t& code, uint16_t& length) {
  if (pos > size || size - pos < biff::kRecordHeaderSize) return false;
  code = GetU16(stream + pos);
  length = GetU16(stream + pos + 2);
  return true;
}

size_t Record::Read(const uint8_t* stream, size_t size, size_t pos) {
  uint16_t code = 0;
  uint16_t length = 0;
  if (!PeekHeader(stream, size, pos, code, length)) return 0;
  size_t at = pos + biff::kRecordHeaderSize;
  if (size - at < length) return 0;
  code_ = code;
  data_.assign(stream + at, stream + at + length);
  splitPoints_.clear();
  at += length;
  while (PeekHeader(stream, size, at, code, length) && code == biff::kContinue) {
    at += biff::kRecordHeaderSize;
    if (size - at < length) return 0;
    splitPoints_.push_back(data_.size());
    data_.insert(data_.end(), stream + at, stream + at + length);
    at += length;
  }
  dataSize_ = data_.size();
  recordSize_ = at - pos;
  if (!Decode()) return 0;
  return recordSize_;
}

size_t Record::DataSize() {
  Encode();
  dataSize_ = data_.size();
  splitPoints_.clear();
  for (size_t p = biff::kMaxRecordData; p < dataSize_; p += biff::kMaxRecordData) splitPoints_.push_back(p);
  return dataSize_;
}

size_t Record::RecordSize() {
  DataSize();
  recordSize_ = biff::kRecordHeaderSize * (1 + splitPoints_.size()) + dataSize_;
  return recordSize_;
}

size_t Record::Write(uint8_t* stream, size_t size, size_t pos) {
  size_t total = RecordSize();
  if (pos > size || size - pos < total) return 0;
  uint8_t* out = stream + pos;
  size_t begin = 0;
  for (size_t piece = 0; piece <= splitPoints_.size(); ++piece) {
    size_t end = piece < splitPoints_.size() ? splitPoints_[piece] : dataSize_;
    PutU16(out, piece == 0 ? code_ : biff::kContinue);
    PutU16(out + 2, static_cast<uint16_t>(end - begin));
    if (end > begin) std::memcpy(out + biff::kRecordHeaderSize, data_.data() + begin, end - begin);
    out += biff::kRecordHeaderSize + (end - begin);
    begin = end;
  }
  return total;
}

}  // namespace ostrand
