#include "workbook/biff8/workbook_stream.h"

#include <string>

namespace ostrand {

namespace {

// Skips one record and its CONTINUE records; 0 when it runs past the end.
size_t SkipRecord(const uint8_t* stream, size_t size, size_t pos) {
  Record any(0);
  return any.Read(stream, size, pos);
}

template <typename R>
bool Take(const uint8_t* stream, size_t size, size_t& pos, std::vector<R>& into) {
  R record;
  size_t n = record.Read(stream, size, pos);
  if (n == 0) return false;
  into.push_back(std::move(record));
  pos += n;
  return true;
}

bool TakeOne(const uint8_t* stream, size_t size, size_t& pos, Record& record) {
  size_t n = record.Read(stream, size, pos);
  pos += n;
  return n != 0;
}

bool ParseGlobals(const uint8_t* stream, size_t size, size_t& pos, Workbook& globals) {
  for (;;) {
    uint16_t code = 0;
    uint16_t length = 0;
    if (!Record::PeekHeader(stream, size, pos, code, length)) return false;
    bool ok = true;
    switch (code) {
      case biff::kEof:
        return TakeOne(stream, size, pos, globals.eof);
      case biff::kFont:
        ok = Take(stream, size, pos, globals.fonts);
        break;
      case biff::kXf:
        ok = Take(stream, size, pos, globals.xfs);
        break;
      case biff::kStyle:
        ok = Take(stream, size, pos, globals.styles);
        break;
      case biff::kBoundSheet:
        ok = Take(stream, size, pos, globals.boundSheets);
        break;
      case biff::kWindow1:
        ok = TakeOne(stream, size, pos, globals.window1);
        break;
      case biff::kSst:
        ok = TakeOne(stream, size, pos, globals.sst);
        break;
      default: {
        size_t n = SkipRecord(stream, size, pos);
        ok = n != 0;
        pos += n;
        break;
      }
    }
    if (!ok) return false;
  }
}

RowBlock& OpenBlock(Worksheet& sheet) {
  auto& blocks = sheet.cellTable.blocks;
  if (blocks.empty() || blocks.back().closed) blocks.emplace_back();
  return blocks.back();
}

bool ParseSheet(const uint8_t* stream, size_t size, size_t& pos, Worksheet& sheet) {
  for (;;) {
    uint16_t code = 0;
    uint16_t length = 0;
    if (!Record::PeekHeader(stream, size, pos, code, length)) return false;
    bool ok = true;
    if (code == biff::kEof) return TakeOne(stream, size, pos, sheet.eof);
    if (code == biff::kRow) {
      ok = Take(stream, size, pos, OpenBlock(sheet).rows);
    } else if (CellRecord::IsCellCode(code)) {
      CellRecord cell(code);
      ok = TakeOne(stream, size, pos, cell);
      if (ok) OpenBlock(sheet).cells.push_back(std::move(cell));
    } else if (code == biff::kDbCell && !sheet.cellTable.blocks.empty() && !sheet.cellTable.blocks.back().closed) {
      RowBlock& block = sheet.cellTable.blocks.back();
      ok = TakeOne(stream, size, pos, block.dbCell);
      block.closed = true;
    } else if (code == biff::kDimensions) {
      ok = TakeOne(stream, size, pos, sheet.dimensions);
      sheet.hasDimensions = true;
    } else if (code == biff::kIndex) {
      ok = TakeOne(stream, size, pos, sheet.index);
    } else if (code == biff::kWindow2) {
      ok = TakeOne(stream, size, pos, sheet.window2);
    } else if (code == biff::kBof) {
      // An embedded substream (a chart inside the sheet): skipped whole.
      ok = false;
      int depth = 0;
      while (true) {
        uint16_t c = 0;
        uint16_t l = 0;
        if (!Record::PeekHeader(stream, size, pos, c, l)) break;
        size_t n = SkipRecord(stream, size, pos);
        if (n == 0) break;
        pos += n;
        if (c == biff::kBof) ++depth;
        if (c == biff::kEof && --depth == 0) {
          ok = true;
          break;
        }
      }
    } else {
      size_t n = SkipRecord(stream, size, pos);
      ok = n != 0;
      pos += n;
    }
    if (!ok) return false;
  }
}

// Skips a substream this reader does not take (a chart or macro sheet) up
// to its own EOF, including any substreams nested in it.
bool SkipSubstream(const uint8_t* stream, size_t size, size_t& pos) {
  int depth = 1;
  while (depth > 0) {
    uint16_t code = 0;
    uint16_t length = 0;
    if (!Record::PeekHeader(stream, size, pos, code, length)) return false;
    size_t n = SkipRecord(stream, size, pos);
    if (n == 0) return false;
    pos += n;
    if (code == biff::kBof) ++depth;
    if (code == biff::kEof) --depth;
  }
  return true;
}

}  // namespace

bool ParseWorkbookStream(const uint8_t* stream, size_t size, Workbook& globals, std::vector<Worksheet>& sheets,
                         ParsedStream& parsed) {
  globals.ResetForRead();
  sheets.clear();
  parsed.sheetPositions.clear();
  size_t pos = 0;
  while (pos < size) {
    uint16_t code = 0;
    uint16_t length = 0;
    if (!Record::PeekHeader(stream, size, pos, code, length) || code != biff::kBof) break;
    BOF bof;
    size_t start = pos;
    if (!TakeOne(stream, size, pos, bof)) return false;
    if (bof.type == BOF::kGlobals) {
      globals.bof = bof;
      if (!ParseGlobals(stream, size, pos, globals)) return false;
    } else if (bof.type == BOF::kWorksheet) {
      Worksheet sheet(sheets.empty());
      sheet.bof = bof;
      if (!ParseSheet(stream, size, pos, sheet)) return false;
      sheets.push_back(std::move(sheet));
      parsed.sheetPositions.push_back(start);
    } else if (!SkipSubstream(stream, size, pos)) {
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> LayoutWorkbookStream(Workbook& globals, std::vector<Worksheet>& sheets) {
  if (globals.boundSheets.size() > sheets.size()) globals.boundSheets.resize(sheets.size());
  while (globals.boundSheets.size() < sheets.size()) {
    Workbook::BoundSheet sheet;
    sheet.narrowName = "Sheet" + std::to_string(globals.boundSheets.size() + 1);
    globals.boundSheets.push_back(std::move(sheet));
  }
  size_t total = globals.SubstreamSize();
  for (size_t i = 0; i < sheets.size(); ++i) {
    globals.boundSheets[i].position = static_cast<uint32_t>(total);
    total += sheets[i].Layout(total);
  }
  std::vector<uint8_t> stream(total);
  size_t pos = globals.Write(stream.data(), stream.size(), 0);
  if (pos == 0) return {};
  for (Worksheet& sheet : sheets) {
    size_t n = sheet.Write(stream.data(), stream.size(), pos);
    if (n == 0) return {};
    pos += n;
  }
  if (pos != total) return {};
  return stream;
}

}  // namespace ostrand
