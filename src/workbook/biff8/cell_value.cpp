#include "workbook/biff8/cell_value.h"

namespace ostrand {

namespace {
const std::string kNoText;
const std::u16string kNoWideText;
}  // namespace

static_assert(static_cast<size_t>(CellKind::kWideText) + 1 ==
              std::variant_size_v<std::variant<std::monostate, int32_t, double, std::string, std::u16string>>);

const std::string& CellValue::Text() const {
  const std::string* v = std::get_if<std::string>(&value_);
  return v != nullptr ? *v : kNoText;
}

const std::u16string& CellValue::WideText() const {
  const std::u16string* v = std::get_if<std::u16string>(&value_);
  return v != nullptr ? *v : kNoWideText;
}

void CellValue::SetInteger(int32_t v) { value_.emplace<int32_t>(v); }

void CellValue::SetReal(double v) { value_.emplace<double>(v); }

bool CellValue::SetText(std::string_view text) {
  if (text.size() > kMaxTextLength) return false;
  if (text.empty()) {
    value_.emplace<std::monostate>();
  } else if (std::string* held = std::get_if<std::string>(&value_)) {
    held->assign(text);  // reuses the room the cell's last text had
  } else {
    value_.emplace<std::string>(text);
  }
  return true;
}

bool CellValue::SetWideText(std::u16string_view text) {
  if (text.size() > kMaxTextLength) return false;
  if (text.empty()) {
    value_.emplace<std::monostate>();
  } else if (std::u16string* held = std::get_if<std::u16string>(&value_)) {
    held->assign(text);
  } else {
    value_.emplace<std::u16string>(text);
  }
  return true;
}

void CellValue::Clear() { value_.emplace<std::monostate>(); }

}  // namespace ostrand
