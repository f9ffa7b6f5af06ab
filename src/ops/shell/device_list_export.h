#pragma once
// The device list written to a file the user keeps: the rows the list shows,
// under the 19 column headers, as a workbook (.xls) or as comma-separated text
// (.csv, UTF-8). The main window's "导出列表..." and "ostrand-cli scan --xls"
// both build the sheet and write it here, so both give the same file.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devices/device_columns.h"
#include "devices/device_list.h"

namespace ostrand {

enum class ListFileFormat { Workbook, Csv };

// The exported sheet in UTF-8: the header row, then one row of 19 cells per
// exported device row.
struct ListSheet {
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

// The sheet of `list` under `headers` (UTF-8, one per column). `rowShown`
// (when given) tells whether a row of the list is on screen; rows it refuses
// are left out. Cells are converted from GBK; bytes GBK cannot decode become
// "?".
ListSheet BuildListSheet(const DeviceList& list, std::vector<std::string> headers,
                         const std::function<bool(int row)>& rowShown = {});
ListSheet BuildListSheet(const DeviceList& list, const ColumnHeaders& headers,
                         const std::function<bool(int row)>& rowShown = {});

// ".csv" and ".xls" (any case) name their format; nullopt for any other name.
std::optional<ListFileFormat> ListFormatForPath(const std::filesystem::path& path);

// The sheet as CSV: a UTF-8 byte-order mark (so spreadsheet programs read the
// Chinese texts as UTF-8), the header line, then one line per row, lines ended
// by CR LF, every cell as CsvField (ops/shell/csv_field.h) writes it.
std::string ListSheetCsv(const ListSheet& sheet);

// The workbook bytes: one sheet "设备列表", the header in row 0, texts as
// cells (empty cells left out). nullopt when the workbook cannot be built.
std::optional<std::string> ListSheetWorkbook(const ListSheet& sheet);

// Writes the sheet to `path` in `format`. Nothing is left at `path` when the
// write fails (an existing file there stays as it was). An empty text on
// success, else the message to show (UTF-8).
std::string SaveListSheet(const ListSheet& sheet, const std::filesystem::path& path, ListFileFormat format);

}  // namespace ostrand
