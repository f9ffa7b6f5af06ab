// The string table a save builds: each distinct text once, numbered in the
// order texts first occur, narrow and UTF-16 texts kept apart, whatever the
// size the lookups were given at the start.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "workbook/biff8/sheet_writer.h"

namespace ostrand {
namespace {

TEST(StringTableBuilder, NumbersDistinctTextsInFirstOccurrenceOrder) {
    // Too small a start makes the lookups grow many times on the way.
    for (const TextCounts expected : {TextCounts{0, 0}, TextCounts{3, 2}, TextCounts{20000, 20000}}) {
        SCOPED_TRACE(expected.narrow);
        // The table refers to the texts added, as it does to a grid's.
        std::vector<std::string> narrowTexts;
        std::vector<std::u16string> wideTexts;
        for (int i = 0; i < 5000; ++i) {
            narrowTexts.push_back("C" + std::to_string(i));
            wideTexts.emplace_back(narrowTexts.back().begin(), narrowTexts.back().end());
        }
        SharedStringTable table;
        StringTableBuilder builder(table, expected);
        std::vector<uint32_t> firstNarrow;
        std::vector<uint32_t> firstWide;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 5000; ++i) {
                // A copy of the text finds the same entry.
                const std::string text = narrowTexts[static_cast<std::size_t>(i)];
                const uint32_t narrow = builder.AddNarrow(round == 0 ? narrowTexts[static_cast<std::size_t>(i)] : text);
                // The same characters as UTF-16 are another entry.
                const uint32_t wide = builder.AddWide(wideTexts[static_cast<std::size_t>(i)]);
                if (round == 0) {
                    EXPECT_EQ(narrow, static_cast<uint32_t>(2 * i));
                    EXPECT_EQ(wide, static_cast<uint32_t>(2 * i + 1));
                    firstNarrow.push_back(narrow);
                    firstWide.push_back(wide);
                } else {
                    ASSERT_EQ(narrow, firstNarrow[static_cast<std::size_t>(i)]);
                    ASSERT_EQ(wide, firstWide[static_cast<std::size_t>(i)]);
                }
            }
        }
        EXPECT_EQ(table.totalCount, 20000u);
        EXPECT_EQ(table.uniqueCount, 10000u);
        ASSERT_EQ(table.strings.size(), 10000u);
        EXPECT_EQ(table.strings[2].flag, 0);
        EXPECT_EQ(table.strings[2].narrow, "C1");
        EXPECT_EQ(table.strings[3].flag, 1);
        EXPECT_EQ(table.strings[3].wide, u"C1");
        // Texts that differ only past their first eight bytes stay apart.
        EXPECT_NE(builder.AddNarrow("ABCDEFGH1"), builder.AddNarrow("ABCDEFGH2"));
        EXPECT_EQ(builder.AddNarrow(""), builder.AddNarrow(""));
    }
}

}  // namespace
}  // namespace ostrand
