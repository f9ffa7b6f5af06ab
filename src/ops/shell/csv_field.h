#pragma once
// One cell of comma-separated text as the tool writes it for spreadsheets.

#include <string>
#include <string_view>
#include <vector>

namespace ostrand {

// What a column holds, for the formula guard.
enum class CsvColumn {
    Text,    // text from a device: guarded
    Number,  // a number the tool formats itself: written as it is
};

// A text a spreadsheet would evaluate as a formula: one starting with = + - @,
// tab or CR, unless it is a plain number ("-7", "+8613800000000", "1.5"),
// which a spreadsheet reads as a number and never runs.
bool IsFormulaText(std::string_view cell);

// RFC 4180 quoting (a cell with a comma, quote or line break is quoted, its
// quotes doubled). A text cell a spreadsheet would evaluate as a formula
// (IsFormulaText) is prefixed with a single quote, so opening the file never
// runs what a device sent; a Number cell never is.
std::string CsvField(std::string_view cell, CsvColumn column = CsvColumn::Text);

// One line of cells (columns beyond `columns` are Text), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells, const std::vector<CsvColumn>& columns = {});

}  // namespace ostrand
