#include "workbook/biff8/cell_value.h"

namespace ostrand {

void CellValue::SetInteger(int32_t v) {
  kind_ = CellKind::kInteger;
  integer_ = v;
}

void CellValue::SetReal(double v) {
  kind_ = CellKind::kReal;
  real_ = v;
}

bool CellValue::SetText(std::string_view text) {
  if (text.size() > kMaxTextLength) return false;
  kind_ = text.empty() ? CellKind::kEmpty : CellKind::kText;
  text_.assign(text);
  wideText_.clear();
  return true;
}

bool CellValue::SetWideText(std::u16string_view text) {
  if (text.size() > kMaxTextLength) return false;
  kind_ = text.empty() ? CellKind::kEmpty : CellKind::kWideText;
  wideText_.assign(text);
  text_.clear();
  return true;
}

void CellValue::Clear() { *this = CellValue{}; }

}  // namespace ostrand
