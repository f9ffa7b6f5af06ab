#pragma once
// Rebuilds a grid from the records of a worksheet that was read: the used
// range from DIMENSIONS, then every cell record fills its cell.

#include "workbook/biff8/shared_string_table.h"
#include "workbook/biff8/sheet_grid.h"
#include "workbook/biff8/worksheet.h"

namespace ostrand {

// False when the sheet cannot be a valid one: a used range beyond the sheet
// limits, a cell beyond them, or a string index outside the table.
bool FillGrid(const Worksheet& sheet, const SharedStringTable& strings, SheetGrid& grid);

}  // namespace ostrand
