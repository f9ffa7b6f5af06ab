#pragma once
// The "Workbook" stream as a whole: the globals substream followed by the
// worksheets, parsed from bytes and laid out into bytes.

#include <cstdint>
#include <vector>

#include "workbook/biff8/workbook.h"
#include "workbook/biff8/worksheet.h"

namespace ostrand {

struct ParsedStream {
  std::vector<size_t> sheetPositions;  // stream offset of each worksheet's BOF
};

// Parses the stream into globals and worksheets. False when a record runs
// past the end of the stream, a substream ends without its EOF, or a record
// the reader takes does not parse.
bool ParseWorkbookStream(const uint8_t* stream, size_t size, Workbook& globals, std::vector<Worksheet>& sheets,
                         ParsedStream& parsed);

// Sets the sheet positions of the globals, fixes every record's length and
// writes the stream. Sheets without a BOUNDSHEET get one named "SheetN";
// BOUNDSHEETs without a sheet are dropped.
std::vector<uint8_t> LayoutWorkbookStream(Workbook& globals, std::vector<Worksheet>& sheets);

}  // namespace ostrand
