#include "ops/shell/csv_field.h"

namespace ostrand {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An optional sign, digits, and at most one decimal point among them.
bool IsPlainNumber(std::string_view text) {
    std::size_t i = text.empty() || (text.front() != '+' && text.front() != '-') ? 0 : 1;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

}  // namespace

bool IsFormulaText(std::string_view cell) {
    if (cell.empty() || std::string_view("=+-@\t\r").find(cell.front()) == std::string_view::npos) return false;
    return !IsPlainNumber(cell);
}

std::string CsvField(std::string_view cell, CsvColumn column) {
    std::string text;
    if (column == CsvColumn::Text && IsFormulaText(cell)) text += '\'';
    text += cell;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvLine(const std::vector<std::string>& cells, const std::vector<CsvColumn>& columns) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i != 0) line += ',';
        line += CsvField(cells[i], i < columns.size() ? columns[i] : CsvColumn::Text);
    }
    return line + "\r\n";
}

}  // namespace ostrand
