#include "ops/shell/csv_field.h"

namespace ostrand {

std::string CsvField(std::string_view cell) {
    std::string text;
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos) text += '\'';
    text += cell;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace ostrand
