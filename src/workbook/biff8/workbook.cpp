#include "workbook/biff8/workbook.h"

namespace ostrand {

Workbook::Workbook()
    : fonts(kDefaultFonts), xfs(kDefaultXfs), styles(kDefaultStyles), boundSheets(1) {
  boundSheets[0].nameFlag = 0;
  boundSheets[0].narrowName = "Sheet1";
}

void Workbook::ResetForRead() {
  *this = Workbook();
  fonts.clear();
  xfs.clear();
  styles.clear();
  boundSheets.clear();
}

size_t Workbook::SubstreamSize() {
  size_t total = bof.RecordSize() + window1.RecordSize();
  for (auto& r : fonts) total += r.RecordSize();
  for (auto& r : xfs) total += r.RecordSize();
  for (auto& r : styles) total += r.RecordSize();
  for (auto& r : boundSheets) total += r.RecordSize();
  total += sst.RecordSize();
  total += eof.RecordSize();
  return total;
}

size_t Workbook::Write(uint8_t* stream, size_t size, size_t pos) {
  size_t start = pos;
  auto put = [&](Record& r) {
    size_t n = r.Write(stream, size, pos);
    pos += n;
    return n != 0;
  };
  if (!put(bof) || !put(window1)) return 0;
  for (auto& r : fonts) if (!put(r)) return 0;
  for (auto& r : xfs) if (!put(r)) return 0;
  for (auto& r : styles) if (!put(r)) return 0;
  for (auto& r : boundSheets) if (!put(r)) return 0;
  if (!put(sst) || !put(eof)) return 0;
  return pos - start;
}

}  // namespace ostrand
