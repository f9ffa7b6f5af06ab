#pragma once
// The in-memory workbook the exports fill cell by cell: the globals, the
// worksheets and one grid per worksheet, saved to and loaded from a
// container holding the "Workbook" stream.

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "workbook/container/container_file.h"
#include "workbook/biff8/sheet_grid.h"
#include "workbook/biff8/workbook.h"
#include "workbook/biff8/worksheet.h"

namespace ostrand {

class WorkbookFile {
 public:
  static constexpr std::u16string_view kStreamName = u"Workbook";
  static constexpr size_t kMaxSheetNameLength = 31;

  WorkbookFile();
  WorkbookFile(const WorkbookFile&) = delete;
  WorkbookFile& operator=(const WorkbookFile&) = delete;

  // A fresh workbook: default globals, one sheet "Sheet1" with an empty grid.
  void New();
  // False when the file is missing, is not a container or holds a damaged
  // workbook stream; the workbook is then empty (no sheets). A container
  // without a "Workbook" stream loads as a workbook without sheets.
  bool Load(const std::filesystem::path& path);
  // Rebuilds every worksheet record and the string table from the grids and
  // writes a new container; true when the stream was written.
  bool SaveAs(const std::filesystem::path& path);
  // Gives sheet 0 this UTF-16 name. False when another sheet already has it,
  // when there is no sheet, or when the name is empty or longer than the 31
  // characters a sheet name may have.
  bool RenameFirstSheet(std::u16string_view name);
  SheetGrid* FindSheet(std::u16string_view name);
  SheetGrid* FirstSheet();
  // The grid of the sheet listed at this position, whatever its name.
  SheetGrid* SheetAt(size_t boundSheet);

  // The stream SaveAs writes, built from the grids as they are now.
  std::vector<uint8_t> BuildStream();

  const Workbook& Globals() const { return workbook_; }
  const std::vector<Worksheet>& Worksheets() const { return worksheets_; }
  size_t SheetCount() const { return grids_.size(); }
  ContainerFile& Container() { return container_; }

 private:
  SheetGrid* GridOfBoundSheet(size_t boundSheet);

  ContainerFile container_;
  Workbook workbook_;
  std::vector<Worksheet> worksheets_;
  std::vector<std::unique_ptr<SheetGrid>> grids_;
  std::vector<size_t> sheetPositions_;  // BOF offsets of the sheets as loaded
};

}  // namespace ostrand
