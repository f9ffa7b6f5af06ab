// Writes the workbooks the reader checks open, and prints what this code
// reads from a workbook written elsewhere, as JSON.
//   workbook_sample_tool mixed <path>
//   workbook_sample_tool rows <path> <rows> <long text length>
//   workbook_sample_tool dump <path>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sample_data.h"
#include "workbook/workbook_file.h"

namespace {

using namespace ostrand;

std::string JsonString(const std::u16string& units) {
  std::string out = "\"";
  for (char16_t u : units) {
    if (u >= 0x20 && u < 0x7F && u != '"' && u != '\\') {
      out.push_back(static_cast<char>(u));
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(u));
      out += buffer;
    }
  }
  return out + "\"";
}

std::u16string Latin1(const std::string& bytes) {
  std::u16string out;
  for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

bool WriteMixed(const char* path) {
  WorkbookFile book;
  if (!book.RenameFirstSheet(u"混合")) return false;
  SheetGrid& g = *book.FindSheet(u"混合");
  g.Cell(0, 0)->SetWideText(u"序号");
  g.Cell(0, 1)->SetWideText(u"卡号");
  g.Cell(0, 2)->SetWideText(u"姓名");
  g.Cell(1, 0)->SetInteger(0);
  g.Cell(1, 1)->SetInteger(-1);
  g.Cell(1, 2)->SetInteger(536870911);
  g.Cell(1, 3)->SetInteger(-536870912);
  g.Cell(1, 4)->SetText("abc");
  g.Cell(2, 0)->SetInteger(536870912);
  g.Cell(2, 1)->SetInteger(2147483647);
  g.Cell(2, 2)->SetInteger(-2147483647 - 1);
  g.Cell(2, 3)->SetWideText(u"中文");
  g.Cell(2, 4)->SetText("");
  g.Cell(3, 0)->SetWideText(std::u16string(10000, u'长') + u"尾");
  g.Cell(3, 1)->SetText(std::string(9000, 'x') + "end");
  g.Cell(5, 3)->SetInteger(42);
  return book.SaveAs(path);
}

bool WriteRows(const char* path, uint32_t rows, size_t longText) {
  WorkbookFile book;
  if (!book.RenameFirstSheet(u"考勤记录")) return false;
  test::FillExportRows(*book.FindSheet(u"考勤记录"), rows, longText);
  return book.SaveAs(path);
}

int Dump(const char* path) {
  WorkbookFile book;
  if (!book.Load(path)) {
    std::printf("{\"ok\": false}\n");
    return 1;
  }
  std::printf("{\"ok\": true, \"sheets\": [");
  const auto& bound = book.Globals().boundSheets;
  for (size_t s = 0; s < book.SheetCount(); ++s) {
    std::u16string name = s < bound.size() ? (bound[s].nameFlag ? bound[s].wideName : Latin1(bound[s].narrowName))
                                           : u"";
    SheetGrid* grid = book.SheetAt(s);
    std::printf("%s{\"name\": %s, \"rows\": %u, \"cols\": %u, \"cells\": [", s ? ", " : "",
                JsonString(name).c_str(), grid ? grid->RowCount() : 0, grid ? grid->ColumnCount() : 0);
    bool first = true;
    for (uint32_t r = 0; grid && r < grid->RowCount(); ++r) {
      for (uint32_t c = 0; c < grid->ColumnCount(); ++c) {
        const CellValue& cell = grid->At(r, c);
        if (cell.IsEmpty()) continue;
        std::string value;
        switch (cell.Kind()) {
          case CellKind::kInteger:
            value = std::to_string(cell.Integer());
            break;
          case CellKind::kReal: {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g", cell.Real());
            value = buffer;
            break;
          }
          case CellKind::kText:
            value = JsonString(Latin1(cell.Text()));
            break;
          default:
            value = JsonString(cell.WideText());
            break;
        }
        std::printf("%s[%u, %u, %d, %s]", first ? "" : ", ", r, c, static_cast<int>(cell.Kind()), value.c_str());
        first = false;
      }
    }
    std::printf("]}");
  }
  std::printf("]}\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "mixed" && argc == 3) return WriteMixed(argv[2]) ? 0 : 1;
  if (command == "rows" && argc == 5) {
    return WriteRows(argv[2], static_cast<uint32_t>(std::atoi(argv[3])), static_cast<size_t>(std::atoi(argv[4]))) ? 0
                                                                                                                  : 1;
  }
  if (command == "dump" && argc == 3) return Dump(argv[2]);
  std::fprintf(stderr, "usage: %s mixed <path> | rows <path> <rows> <long text> | dump <path>\n", argv[0]);
  return 2;
}
