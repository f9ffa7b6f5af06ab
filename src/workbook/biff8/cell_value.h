#pragma once
// The value of one grid cell as the exports set it and a load gives it back.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand {

enum class CellKind : uint8_t { kEmpty = 0, kInteger = 1, kReal = 2, kText = 3, kWideText = 4 };

class CellValue {
 public:
  // A shared string counts its characters in 16 bits.
  static constexpr size_t kMaxTextLength = 0xFFFF;

  CellKind Kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == CellKind::kEmpty; }
  int32_t Integer() const { return integer_; }
  double Real() const { return real_; }
  const std::string& Text() const { return text_; }
  const std::u16string& WideText() const { return wideText_; }

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
  CellKind kind_ = CellKind::kEmpty;
  int32_t integer_ = 0;
  double real_ = 0;
  std::string text_;
  std::u16string wideText_;
};

}  // namespace ostrand
