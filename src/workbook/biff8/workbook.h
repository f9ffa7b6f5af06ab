#pragma once
// The workbook globals: everything before the first worksheet in the
// stream, with this writer's default records.

#include <vector>

#include "workbook/biff8/bof.h"
#include "workbook/biff8/bound_sheet.h"
#include "workbook/biff8/eof_record.h"
#include "workbook/biff8/ext_sst.h"
#include "workbook/biff8/font.h"
#include "workbook/biff8/shared_string_table.h"
#include "workbook/biff8/style.h"
#include "workbook/biff8/window1.h"
#include "workbook/biff8/xf.h"

namespace ostrand {

class Workbook {
 public:
  using Window1 = Window1Record;
  using Font = FontRecord;
  using XF = XfRecord;
  using Style = StyleRecord;
  using BoundSheet = BoundSheetRecord;
  using SharedStringTable = ostrand::SharedStringTable;
  using ExtSST = ExtSstRecord;

  static constexpr size_t kDefaultFonts = 4;
  static constexpr size_t kDefaultXfs = 21;
  static constexpr size_t kDefaultStyles = 6;

  Workbook();  // the defaults with one sheet named "Sheet1"
  // Defaults with empty font, XF, style and sheet lists, ready for reading.
  void ResetForRead();

  // Length of the globals substream as it will be written.
  size_t SubstreamSize();
  // Writes the substream at pos; returns the bytes written, 0 when they do not fit.
  size_t Write(uint8_t* stream, size_t size, size_t pos);

  BOF bof{BOF::kGlobals};
  Window1 window1;
  std::vector<Font> fonts;
  std::vector<XF> xfs;
  std::vector<Style> styles;
  std::vector<BoundSheet> boundSheets;
  SharedStringTable sst;
  ExtSST extSst;  // kept when read, never written
  EofRecord eof;
};

}  // namespace ostrand
