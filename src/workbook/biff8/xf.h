#pragma once
// XF: cell formats. This writer's formats are all the same default style
// format; formats read from other files are kept byte for byte.

#include "workbook/biff8/record.h"

namespace ostrand {

namespace xf_layout {
inline constexpr size_t kFont = 0;
inline constexpr size_t kFormat = 2;
inline constexpr size_t kTypeAndParent = 4;
inline constexpr size_t kAlignment = 6;
inline constexpr size_t kRotation = 7;
inline constexpr size_t kTextProperties = 8;
inline constexpr size_t kUsedAttributes = 9;
inline constexpr size_t kBorderLines = 10;
inline constexpr size_t kColours = 14;
inline constexpr size_t kBackground = 18;
inline constexpr size_t kSize = 20;
}  // namespace xf_layout

class XfRecord : public Record {
 public:
  XfRecord();

 protected:
  bool Decode() override { return data_.size() >= xf_layout::kSize; }
};

}  // namespace ostrand
