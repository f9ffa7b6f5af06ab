#include "workbook/biff8/sheet_writer.h"

#include <algorithm>
#include <cstring>

namespace ostrand {

namespace {

// Eight bytes at a time, each step mixed by a multiplication: fast for the
// short texts of a sheet and spread well enough for an open-addressed table.
uint32_t HashBytes(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  uint64_t hash = 0x9E3779B97F4A7C15ull ^ size;
  for (; size >= 8; bytes += 8, size -= 8) {
    uint64_t word;
    std::memcpy(&word, bytes, 8);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  }
  uint64_t tail = 0;
  std::memcpy(&tail, bytes, size);
  hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
  return static_cast<uint32_t>(hash ^ (hash >> 32));
}

}  // namespace

void TextSlots::Reserve(size_t expected) {
  size_t size = 16;
  while (3 * size < 4 * expected) size *= 2;
  if (size > slots_.size()) {
    slots_.assign(size, Slot{});
    used_ = 0;
  }
}

void TextSlots::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 16 : 2 * old.size(), Slot{});
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.entry == kFree) continue;
    size_t i = static_cast<size_t>(slot.hash) & mask;
    while (slots_[i].entry != kFree) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

StringTableBuilder::StringTableBuilder(SharedStringTable& table, TextCounts expected) : table_(table) {
  table_.Clear();
  table_.strings.reserve(expected.narrow + expected.wide);
  narrow_.Reserve(expected.narrow);
  wide_.Reserve(expected.wide);
}

TextCounts CountTexts(const SheetGrid& grid) {
  TextCounts counts;
  for (uint32_t r = 0; r < grid.RowCount(); ++r) {
    for (const CellValue& cell : grid.RowCells(r)) {
      counts.narrow += cell.Kind() == CellKind::kText;
      counts.wide += cell.Kind() == CellKind::kWideText;
    }
  }
  return counts;
}

uint32_t StringTableBuilder::Hash(std::string_view text) { return HashBytes(text.data(), text.size()); }

uint32_t StringTableBuilder::Hash(std::u16string_view text) {
  return HashBytes(text.data(), text.size() * sizeof(char16_t));
}

uint32_t StringTableBuilder::AddNarrow(std::string_view text, uint32_t hash) {
  ++table_.totalCount;
  return narrow_.FindOrAdd(
      hash, [&](uint32_t entry) { return table_.strings[entry].narrow == text; },
      [&] {
        table_.strings.push_back(SharedString{0, text, {}});
        return table_.uniqueCount++;
      });
}

uint32_t StringTableBuilder::AddWide(std::u16string_view text, uint32_t hash) {
  ++table_.totalCount;
  return wide_.FindOrAdd(
      hash,
      [&](uint32_t entry) { return table_.strings[entry].wide == text; },
      [&] {
        table_.strings.push_back(SharedString{1, {}, text});
        return table_.uniqueCount++;
      });
}

namespace {

bool IsRkInteger(const CellValue& cell) {
  return cell.Kind() == CellKind::kInteger && rk::FitsInteger(cell.Integer());
}

// Room for n more bytes at the end of a block's bytes.
uint8_t* Extend(std::vector<uint8_t>& bytes, size_t n) {
  const size_t at = bytes.size();
  bytes.resize(at + n);
  return bytes.data() + at;
}

// The hashes of the texts of the rows ahead, in cell order, one list per row
// of a small ring; their lookup slots are fetched when they are hashed.
class TextHashesAhead {
 public:
  static constexpr uint32_t kRowsAhead = 8;

  TextHashesAhead(const SheetGrid& grid, const StringTableBuilder& strings) : grid_(grid), strings_(strings) {
    for (uint32_t r = 0; r < kRowsAhead && r < grid.RowCount(); ++r) HashRow(r);
  }
  // Called once per row in order: hashes the row kRowsAhead further on and
  // returns this row's hashes.
  const std::vector<uint32_t>& Row(uint32_t row) {
    if (row + kRowsAhead < grid_.RowCount()) HashRow(row + kRowsAhead);
    return ring_[row % kRing];
  }

 private:
  static constexpr uint32_t kRing = kRowsAhead + 1;

  void HashRow(uint32_t row) {
    std::vector<uint32_t>& hashes = ring_[row % kRing];
    hashes.clear();
    const std::vector<CellValue>& cells = grid_.RowCells(row);
    const size_t width = std::min<size_t>(grid_.ColumnCount(), cells.size());
    for (size_t c = 0; c < width; ++c) {
      if (cells[c].Kind() == CellKind::kText) {
        hashes.push_back(StringTableBuilder::Hash(cells[c].Text()));
        strings_.PrefetchNarrow(hashes.back());
      } else if (cells[c].Kind() == CellKind::kWideText) {
        hashes.push_back(StringTableBuilder::Hash(cells[c].WideText()));
        strings_.PrefetchWide(hashes.back());
      }
    }
  }

  const SheetGrid& grid_;
  const StringTableBuilder& strings_;
  std::vector<uint32_t> ring_[kRing];
};

}  // namespace

// Cells are most of a sheet: each row block gets its ROW and cell records as
// bytes, written once here and copied into the stream whole.
Worksheet BuildWorksheet(const SheetGrid& grid, bool firstSheet, StringTableBuilder& strings) {
  Worksheet sheet(firstSheet);
  const uint32_t rowCount = grid.RowCount();
  const uint32_t columnCount = grid.ColumnCount();
  sheet.index.lastRowPlusOne = rowCount;
  sheet.dimensions.lastRowPlusOne = rowCount;
  sheet.dimensions.lastColumnPlusOne = static_cast<uint16_t>(columnCount);

  bool anyCell = false;
  uint32_t firstRow = 0;
  uint32_t firstColumn = 0;
  auto& blocks = sheet.cellTable.blocks;
  RowBlock* block = nullptr;
  uint32_t currentBlock = UINT32_MAX;
  size_t cellBytesHint = 0;  // the last block's cell bytes, to size the next
  std::vector<uint32_t> rkValues;
  TextHashesAhead ahead(grid, strings);

  for (uint32_t r = 0; r < rowCount; ++r) {
    const std::vector<CellValue>& cells = grid.RowCells(r);
    const uint32_t width = std::min<uint32_t>(columnCount, static_cast<uint32_t>(cells.size()));
    const uint16_t row16 = static_cast<uint16_t>(r);
    const std::vector<uint32_t>& hashes = ahead.Row(r);
    size_t nextHash = 0;
    bool rowStarted = false;
    uint32_t c = 0;
    while (c < width) {
      const CellValue& cell = cells[c];
      if (cell.IsEmpty()) {
        ++c;
        continue;
      }
      if (!anyCell) {
        anyCell = true;
        firstRow = r;
        firstColumn = c;
      }
      // The used range starts at the leftmost cell of any row, not only of the first.
      firstColumn = std::min(firstColumn, c);
      if (!rowStarted) {
        rowStarted = true;
        if (currentBlock != r / kRowsPerBlock) {
          currentBlock = r / kRowsPerBlock;
          if (block != nullptr) cellBytesHint = block->cellBytes.size();
          block = &blocks.emplace_back();
          block->rowBytes.reserve(size_t{kRowsPerBlock} * (biff::kRecordHeaderSize + row_layout::kSize));
          block->cellBytes.reserve(cellBytesHint + cellBytesHint / 8);
          block->cellBytesOfRow.reserve(kRowsPerBlock);
        }
        PutRowRecord(Extend(block->rowBytes, biff::kRecordHeaderSize + row_layout::kSize), row16, 0,
                     static_cast<uint16_t>(columnCount), 0x00FF, 0);
        block->cellBytesOfRow.push_back(0);
      }
      std::vector<uint8_t>& out = block->cellBytes;
      const size_t before = out.size();
      const uint16_t col16 = static_cast<uint16_t>(c);
      switch (cell.Kind()) {
        case CellKind::kInteger: {
          if (!rk::FitsInteger(cell.Integer())) {
            // Beyond the 30 bits of an RK value: a NUMBER keeps it exact.
            cell_bytes::PutNumber(Extend(out, biff::kRecordHeaderSize + cell_layout::kNumberSize), row16, col16, 0,
                                  static_cast<double>(cell.Integer()));
            ++c;
            break;
          }
          uint32_t end = c + 1;
          while (end < width && IsRkInteger(cells[end])) ++end;
          if (end - c >= 2) {
            rkValues.clear();
            for (uint32_t k = c; k < end; ++k) rkValues.push_back(rk::FromInteger(cells[k].Integer()));
            cell_bytes::PutMulRk(Extend(out, cell_bytes::MulRkSize(rkValues.size())), row16, col16, rkValues.data(),
                                 rkValues.size());
          } else {
            cell_bytes::PutRk(Extend(out, biff::kRecordHeaderSize + cell_layout::kRkSize), row16, col16, 0,
                              rk::FromInteger(cell.Integer()));
          }
          c = end;
          break;
        }
        case CellKind::kReal:
          cell_bytes::PutNumber(Extend(out, biff::kRecordHeaderSize + cell_layout::kNumberSize), row16, col16, 0,
                                cell.Real());
          ++c;
          break;
        case CellKind::kText:
          cell_bytes::PutLabelSst(Extend(out, biff::kRecordHeaderSize + cell_layout::kLabelSstSize), row16, col16, 0,
                                  strings.AddNarrow(cell.Text(), hashes[nextHash++]));
          ++c;
          break;
        case CellKind::kWideText:
          cell_bytes::PutLabelSst(Extend(out, biff::kRecordHeaderSize + cell_layout::kLabelSstSize), row16, col16, 0,
                                  strings.AddWide(cell.WideText(), hashes[nextHash++]));
          ++c;
          break;
        case CellKind::kEmpty:
          ++c;
          break;
      }
      block->cellBytesOfRow.back() += static_cast<uint32_t>(out.size() - before);
    }
  }
  sheet.index.firstRow = firstRow;
  sheet.dimensions.firstRow = firstRow;
  sheet.dimensions.firstColumn = static_cast<uint16_t>(firstColumn);
  return sheet;
}

}  // namespace ostrand
