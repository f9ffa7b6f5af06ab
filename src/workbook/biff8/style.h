#pragma once
// STYLE: the built-in cell styles; styles read from other files are kept
// byte for byte.

#include "workbook/biff8/record.h"

namespace ostrand {

namespace style_layout {
inline constexpr size_t kXfAndFlags = 0;
inline constexpr size_t kIdentifier = 2;
inline constexpr size_t kLevel = 3;
inline constexpr size_t kSize = 4;
inline constexpr size_t kMinimumSize = 2;  // user styles follow with a name
}  // namespace style_layout

class StyleRecord : public Record {
 public:
  StyleRecord();

 protected:
  bool Decode() override { return data_.size() >= style_layout::kMinimumSize; }
};

}  // namespace ostrand
