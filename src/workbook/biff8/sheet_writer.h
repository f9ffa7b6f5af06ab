#pragma once
// Turns the grids into worksheet records and the shared string table, as
// every save does: empty cells are left out, runs of integers share one
// MULRK, texts go to the string table once per distinct value.

#include <string>
#include <string_view>
#include <cstdint>
#include <vector>

#include "workbook/biff8/shared_string_table.h"
#include "workbook/biff8/sheet_grid.h"
#include "workbook/biff8/worksheet.h"

namespace ostrand {

// Finds a text's entry in the string table. An export adds some hundred
// thousand texts per save, so the lookup is one flat array of hashes and
// entry numbers (open addressing, at most three quarters full): no allocation per text, and nothing to
// free but the array. The texts themselves are compared in the table.
class TextSlots {
 public:
  static constexpr uint32_t kFree = UINT32_MAX;
  struct Slot {
    uint32_t hash = 0;  // its lower bits pick the slot
    uint32_t entry = kFree;
  };

  // Room for `expected` entries before the array grows.
  void Reserve(size_t expected);
  // The entry of the text with this hash for which `same(entry)` holds, or
  // the one `make()` returns, which is then recorded.
  template <typename Same, typename Make>
  uint32_t FindOrAdd(uint32_t hash, Same same, Make make);
  // Starts reading the slot a lookup of this hash begins at.
  void Prefetch(uint32_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[static_cast<size_t>(hash) & (slots_.size() - 1)]);
  }

 private:
  void Grow();

  std::vector<Slot> slots_;
  size_t used_ = 0;
};

// Collects the strings of all sheets into one table, each distinct text once,
// numbered in the order the texts first occur. The table's entries refer to
// the texts added, which must stay unchanged until the table is written.
struct TextCounts {
  size_t narrow = 0;
  size_t wide = 0;
};

class StringTableBuilder {
 public:
  // expected: about how many texts of each kind the grids hold, to size the
  // lookups once (each kind its own, so neither spreads over more memory
  // than it needs).
  StringTableBuilder(SharedStringTable& table, TextCounts expected);

  uint32_t AddNarrow(std::string_view text) { return AddNarrow(text, Hash(text)); }
  uint32_t AddWide(std::u16string_view text) { return AddWide(text, Hash(text)); }

  // The lookups are random reads over arrays of megabytes: a save hashes
  // the texts of the rows ahead and fetches their slots before it needs them.
  static uint32_t Hash(std::string_view text);
  static uint32_t Hash(std::u16string_view text);
  void PrefetchNarrow(uint32_t hash) const { narrow_.Prefetch(hash); }
  void PrefetchWide(uint32_t hash) const { wide_.Prefetch(hash); }
  // hash is Hash(text).
  uint32_t AddNarrow(std::string_view text, uint32_t hash);
  uint32_t AddWide(std::u16string_view text, uint32_t hash);

 private:
  SharedStringTable& table_;
  TextSlots narrow_;
  TextSlots wide_;
};

template <typename Same, typename Make>
uint32_t TextSlots::FindOrAdd(uint32_t hash, Same same, Make make) {
  if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.entry == kFree) {
      slot.hash = hash;
      slot.entry = make();
      ++used_;
      return slot.entry;
    }
    if (slot.hash == hash && same(slot.entry)) return slot.entry;
  }
}

// How many text cells of each kind a grid holds.
TextCounts CountTexts(const SheetGrid& grid);

// The records of one sheet; firstSheet picks the WINDOW2 options.
Worksheet BuildWorksheet(const SheetGrid& grid, bool firstSheet, StringTableBuilder& strings);

}  // namespace ostrand
