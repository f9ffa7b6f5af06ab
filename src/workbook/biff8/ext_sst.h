#pragma once
// EXTSST: the lookup aid some writers put after the shared string table.
// It is kept when read and never written.

#include "workbook/biff8/record.h"

namespace ostrand {

class ExtSstRecord : public Record {
 public:
  ExtSstRecord() : Record(biff::kExtSst) {}
};

}  // namespace ostrand
