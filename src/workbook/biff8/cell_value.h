#pragma once
// The value of one grid cell as the exports set it and a load gives it back.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace ostrand {

enum class CellKind : uint8_t { kEmpty = 0, kInteger = 1, kReal = 2, kText = 3, kWideText = 4 };

class CellValue {
 public:
  // A shared string counts its characters in 16 bits.
  static constexpr size_t kMaxTextLength = 0xFFFF;

  CellKind Kind() const { return static_cast<CellKind>(value_.index()); }
  bool IsEmpty() const { return value_.index() == 0; }
  // Each reads 0 or an empty text when the cell holds another kind of value.
  int32_t Integer() const {
    const int32_t* v = std::get_if<int32_t>(&value_);
    return v != nullptr ? *v : 0;
  }
  double Real() const {
    const double* v = std::get_if<double>(&value_);
    return v != nullptr ? *v : 0;
  }
  const std::string& Text() const;
  const std::u16string& WideText() const;

  void SetInteger(int32_t v);
  void SetReal(double v);
  // Narrow (single-byte) text; an empty text empties the cell. False, with the
  // cell unchanged, for a text longer than kMaxTextLength characters.
  bool SetText(std::string_view text);
  // UTF-16 text; the same rules.
  bool SetWideText(std::u16string_view text);
  void Clear();

  bool operator==(const CellValue&) const = default;

 private:
  // A sheet holds a cell per column of every row filled, so a cell keeps
  // only the value of its kind. The alternatives are in CellKind order.
  std::variant<std::monostate, int32_t, double, std::string, std::u16string> value_;
};

}  // namespace ostrand
