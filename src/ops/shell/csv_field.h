#pragma once
// One cell of comma-separated text as the tool writes it for spreadsheets.

#include <string>
#include <string_view>

namespace ostrand {

// RFC 4180 quoting (a cell with a comma, quote or line break is quoted, its
// quotes doubled). Cell texts come from devices, so a cell a spreadsheet would
// evaluate as a formula (starting with = + - @, tab or CR) is prefixed with a
// single quote: opening the file never runs what a device sent.
std::string CsvField(std::string_view cell);

}  // namespace ostrand
