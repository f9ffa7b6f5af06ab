#pragma once
// Header texts (UTF-8) and widths of the device list's 19 columns. The window
// opens with the initial Chinese headers; the language switch re-labels them,
// and the switch back to Chinese uses a slightly different set (column 8
// becomes "考勤机状态").

#include <array>
#include <string_view>

#include "devices/device_list.h"

namespace ostrand {

enum class HeaderSet { Initial, Chinese, English };

using ColumnHeaders = std::array<std::string_view, kDeviceColumnCount>;

const ColumnHeaders& DeviceColumnHeaders(HeaderSet set);
// Pixel widths; column 18 (the command port) has width 0 and stays hidden.
const std::array<int, kDeviceColumnCount>& DeviceColumnWidths();

}  // namespace ostrand
