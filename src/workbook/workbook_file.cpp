#include "workbook/workbook_file.h"

#include "workbook/biff8/sheet_reader.h"
#include "workbook/biff8/sheet_writer.h"
#include "workbook/biff8/workbook_stream.h"

namespace ostrand {

WorkbookFile::WorkbookFile() { New(); }

void WorkbookFile::New() {
  workbook_ = Workbook();
  worksheets_.clear();
  worksheets_.emplace_back(true);
  grids_.clear();
  grids_.push_back(std::make_unique<SheetGrid>(this, 0));
  sheetPositions_.clear();
}

bool WorkbookFile::Load(const std::filesystem::path& path) {
  workbook_.ResetForRead();
  worksheets_.clear();
  grids_.clear();
  sheetPositions_.clear();
  if (!container_.Open(path)) return false;
  uint64_t size = 0;
  if (container_.StreamSize(kStreamName, size) != ContainerFile::kOk) return true;
  std::vector<uint8_t> stream;
  if (container_.ReadStream(kStreamName, stream) != ContainerFile::kOk) return false;

  ParsedStream parsed;
  bool ok = ParseWorkbookStream(stream.data(), stream.size(), workbook_, worksheets_, parsed);
  for (size_t i = 0; ok && i < worksheets_.size(); ++i) {
    grids_.push_back(std::make_unique<SheetGrid>(this, i));
    ok = FillGrid(worksheets_[i], workbook_.sst, *grids_.back());
  }
  if (!ok) {
    workbook_.ResetForRead();
    worksheets_.clear();
    grids_.clear();
    return false;
  }
  sheetPositions_ = parsed.sheetPositions;
  return true;
}

std::vector<uint8_t> WorkbookFile::BuildStream() {
  // Sheets are matched to their BOUNDSHEET by the position the file gave,
  // so the names stay with their sheets; after that the order is the grids'.
  if (!sheetPositions_.empty()) {
    std::vector<Workbook::BoundSheet> ordered;
    for (size_t i = 0; i < grids_.size(); ++i) {
      for (const auto& bound : workbook_.boundSheets) {
        if (i < sheetPositions_.size() && bound.position == sheetPositions_[i]) {
          ordered.push_back(bound);
          break;
        }
      }
      if (ordered.size() != i + 1) break;
    }
    if (ordered.size() == grids_.size()) workbook_.boundSheets = std::move(ordered);
    sheetPositions_.clear();
  }
  TextCounts texts;
  for (const auto& grid : grids_) {
    const TextCounts counts = CountTexts(*grid);
    texts.narrow += counts.narrow;
    texts.wide += counts.wide;
  }
  StringTableBuilder strings(workbook_.sst, texts);
  worksheets_.clear();
  for (size_t i = 0; i < grids_.size(); ++i) worksheets_.push_back(BuildWorksheet(*grids_[i], i == 0, strings));
  std::vector<uint8_t> stream = LayoutWorkbookStream(workbook_, worksheets_);
  // Its entries refer to the grids' texts, which may change after the save.
  workbook_.sst.Clear();
  return stream;
}

bool WorkbookFile::SaveAs(const std::filesystem::path& path) {
  container_.Close();
  if (!container_.Create(path)) return false;
  if (container_.MakeStream(kStreamName) != ContainerFile::kOk) return false;
  std::vector<uint8_t> stream = BuildStream();
  if (stream.empty()) return false;
  return container_.WriteStream(kStreamName, stream.data(), stream.size()) == ContainerFile::kOk;
}

bool WorkbookFile::RenameFirstSheet(std::u16string_view name) {
  if (workbook_.boundSheets.empty() || name.empty() || name.size() > kMaxSheetNameLength) return false;
  for (const auto& bound : workbook_.boundSheets) {
    if (bound.nameFlag != 0 && bound.wideName == name) return false;
  }
  auto& first = workbook_.boundSheets.front();
  first.nameFlag = 1;
  first.wideName.assign(name);
  first.narrowName.clear();
  return true;
}

SheetGrid* WorkbookFile::GridOfBoundSheet(size_t boundSheet) {
  if (!sheetPositions_.empty()) {
    uint32_t position = workbook_.boundSheets[boundSheet].position;
    for (size_t i = 0; i < sheetPositions_.size() && i < grids_.size(); ++i) {
      if (sheetPositions_[i] == position) return grids_[i].get();
    }
  }
  return boundSheet < grids_.size() ? grids_[boundSheet].get() : nullptr;
}

SheetGrid* WorkbookFile::FindSheet(std::u16string_view name) {
  for (size_t i = 0; i < workbook_.boundSheets.size(); ++i) {
    const auto& bound = workbook_.boundSheets[i];
    if (bound.nameFlag != 0 && bound.wideName == name) return GridOfBoundSheet(i);
  }
  return nullptr;
}

SheetGrid* WorkbookFile::SheetAt(size_t boundSheet) {
  if (boundSheet >= workbook_.boundSheets.size()) return nullptr;
  return GridOfBoundSheet(boundSheet);
}

SheetGrid* WorkbookFile::FirstSheet() {
  if (workbook_.boundSheets.empty() || grids_.empty()) return grids_.empty() ? nullptr : grids_[0].get();
  return GridOfBoundSheet(0);
}

}  // namespace ostrand
