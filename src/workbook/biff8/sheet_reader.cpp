#include "workbook/biff8/sheet_reader.h"

namespace ostrand {

namespace {

void SetRk(CellValue& cell, uint32_t value) {
  int32_t integer = 0;
  if (rk::ToExactInteger(value, integer)) {
    cell.SetInteger(integer);
  } else {
    cell.SetReal(rk::ToNumber(value));
  }
}

}  // namespace

bool FillGrid(const Worksheet& sheet, const SharedStringTable& strings, SheetGrid& grid) {
  uint32_t rows = sheet.dimensions.lastRowPlusOne;
  uint32_t columns = sheet.dimensions.lastColumnPlusOne;
  if (rows > SheetGrid::kMaxRows || columns > SheetGrid::kMaxColumns) return false;
  grid.Reset(rows, columns);
  for (const RowBlock& block : sheet.cellTable.blocks) {
    for (const CellRecord& record : block.cells) {
      if (record.Code() == biff::kMulRk) {
        for (size_t i = 0; i < record.run.size(); ++i) {
          CellValue* cell = grid.Cell(record.row, static_cast<uint32_t>(record.column + i));
          if (cell == nullptr) return false;
          SetRk(*cell, record.run[i].second);
        }
        continue;
      }
      if (record.Code() == biff::kMulBlank || record.Code() == biff::kBlank ||
          record.Code() == biff::kFormula) {
        continue;
      }
      CellValue* cell = grid.Cell(record.row, record.column);
      if (cell == nullptr) return false;
      switch (record.Code()) {
        case biff::kRk:
          SetRk(*cell, record.rkValue);
          break;
        case biff::kNumber:
          cell->SetReal(record.number);
          break;
        case biff::kLabelSst: {
          if (record.sstIndex >= strings.strings.size()) return false;
          const SharedString& s = strings.strings[record.sstIndex];
          if (s.flag != 0) {
            cell->SetWideText(s.wide);
          } else {
            cell->SetText(s.narrow);
          }
          break;
        }
        case biff::kBoolErr:
          if (!record.isError) cell->SetInteger(record.boolOrError != 0 ? 1 : 0);
          break;
        default:
          break;
      }
    }
  }
  return true;
}

}  // namespace ostrand
