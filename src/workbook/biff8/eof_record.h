#pragma once
// EOF: closes the workbook globals and each worksheet; it carries no data.

#include "workbook/biff8/record.h"

namespace ostrand {

class EofRecord : public Record {
 public:
  EofRecord() : Record(biff::kEof) {}

 protected:
  void Encode() override { data_.clear(); }
};

}  // namespace ostrand
