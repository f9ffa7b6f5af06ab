#pragma once
// The rows the reader checks and the benchmark write: row 0 a header of
// UTF-16 texts, then per row an integer, a narrow text and three UTF-16
// texts. check_with_readers.py computes the same values independently.

#include <cstdint>
#include <string>

#include "workbook/biff8/sheet_grid.h"

namespace ostrand::test {

inline std::u16string AsciiToUtf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

inline void FillExportRows(SheetGrid& grid, uint32_t rows, size_t longTextLength) {
  const char16_t* header[] = {u"序号", u"卡号", u"姓名", u"部门", u"备注"};
  for (uint32_t c = 0; c < 5; ++c) grid.Cell(0, c)->SetWideText(header[c]);
  static const std::u16string kCycle = u"考勤记录门禁通道人脸识别测温";
  for (uint32_t i = 1; i <= rows; ++i) {
    std::u16string number = AsciiToUtf16(std::to_string(i));
    grid.Cell(i, 0)->SetInteger(static_cast<int32_t>(i) * 37 - 5000);
    grid.Cell(i, 1)->SetText("N" + std::to_string((i * 13) % 100000));
    grid.Cell(i, 2)->SetWideText(u"张三" + number);
    grid.Cell(i, 3)->SetWideText(u"部门" + AsciiToUtf16(std::to_string(i % 50)));
    std::u16string note;
    for (size_t k = 0; k < longTextLength; ++k) note.push_back(kCycle[(i + k) % kCycle.size()]);
    grid.Cell(i, 4)->SetWideText(note + number);
  }
}

}  // namespace ostrand::test
