#include "workbook/biff8/worksheet.h"

#include <algorithm>
#include <cstring>

namespace ostrand {

Worksheet::Worksheet(bool firstSheet)
    : window2(firstSheet ? Window2::kFirstSheetOptions : Window2::kOtherSheetOptions) {}

size_t Worksheet::Layout(size_t start) {
  // A sheet without cells still lists one (unused) block position.
  index.dbCellPositions.assign(std::max<size_t>(cellTable.blocks.size(), 1), 0);
  size_t p = start + bof.RecordSize() + index.RecordSize() + dimensions.RecordSize();
  for (size_t k = 0; k < cellTable.blocks.size(); ++k) {
    RowBlock& block = cellTable.blocks[k];
    p += block.LayoutDbCell();
    index.dbCellPositions[k] = static_cast<uint32_t>(p);
    p += block.dbCell.RecordSize();
  }
  p += window2.RecordSize() + eof.RecordSize();
  return p - start;
}

size_t Worksheet::Write(uint8_t* stream, size_t size, size_t pos) {
  size_t start = pos;
  auto put = [&](Record& r) {
    size_t n = r.Write(stream, size, pos);
    pos += n;
    return n != 0;
  };
  if (!put(bof) || !put(index) || !put(dimensions)) return 0;
  auto putBytes = [&](const std::vector<uint8_t>& bytes) {
    if (pos > size || size - pos < bytes.size()) return false;
    if (!bytes.empty()) std::memcpy(stream + pos, bytes.data(), bytes.size());
    pos += bytes.size();
    return true;
  };
  for (RowBlock& block : cellTable.blocks) {
    for (auto& row : block.rows) if (!put(row)) return 0;
    if (!putBytes(block.rowBytes)) return 0;
    for (auto& cell : block.cells) if (!put(cell)) return 0;
    if (!putBytes(block.cellBytes)) return 0;
    if (!put(block.dbCell)) return 0;
  }
  if (!put(window2) || !put(eof)) return 0;
  return pos - start;
}

}  // namespace ostrand
