#include "workbook/biff8/bof.h"

#include "workbook/byte_order.h"

namespace ostrand {

using namespace bof_layout;

BOF::BOF(uint16_t bofType) : Record(biff::kBof), type(bofType) {}

bool BOF::Decode() {
  if (data_.size() < kMinimumSize) return false;
  version = GetU16(&data_[kVersion]);
  type = GetU16(&data_[kType]);
  // Older writers end the record after the year; the rest keeps its default.
  if (data_.size() >= kYear + 2) {
    build = GetU16(&data_[kBuild]);
    year = GetU16(&data_[kYear]);
  }
  if (data_.size() >= kSize) {
    history = GetU32(&data_[kHistory]);
    lowestVersion = GetU32(&data_[kLowestVersion]);
  }
  return true;
}

void BOF::Encode() {
  data_.assign(kSize, 0);
  PutU16(&data_[kVersion], version);
  PutU16(&data_[kType], type);
  PutU16(&data_[kBuild], build);
  PutU16(&data_[kYear], year);
  PutU32(&data_[kHistory], history);
  PutU32(&data_[kLowestVersion], lowestVersion);
}

}  // namespace ostrand
