#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace ostrand {
namespace {

const std::string kZhongUtf8 = "\xE4\xB8\xAD";  // 中
const std::string kZhongGbk = "\xD6\xD0";

TEST(CodePage, ChineseRoundTripsBetweenGbkUtf8AndUtf16) {
    EXPECT_EQ(Utf8ToGbk(kZhongUtf8 + "a1"), kZhongGbk + "a1");
    EXPECT_EQ(GbkToUtf8(kZhongGbk + "a1"), kZhongUtf8 + "a1");
    EXPECT_EQ(Utf8ToUtf16(kZhongUtf8), std::u16string(u"\u4E2D"));
    EXPECT_EQ(Utf16ToUtf8(u"\u4E2Dx"), kZhongUtf8 + "x");
    EXPECT_EQ(GbkToUtf16(kZhongGbk), std::u16string(u"\u4E2D"));
    EXPECT_EQ(Utf16ToGbk(u"\u4E2D"), kZhongGbk);
    EXPECT_EQ(Utf8ToGbk(""), std::string());
}

TEST(CodePage, CharacterGbkCannotHoldIsAnErrorNotAQuestionMark) {
    EXPECT_FALSE(Utf8ToGbk("a\xF0\x9F\x98\x80" "b").has_value());  // an emoji
    EXPECT_FALSE(Utf16ToGbk(u"\u0E01").has_value());                // Thai
    EXPECT_EQ(Utf8ToGbkLossy("a\xF0\x9F\x98\x80" "b"), "a?b");
}

TEST(CodePage, MalformedInputFailsStrictlyAndIsReplacedForDisplay) {
    EXPECT_FALSE(Utf8ToGbk("\xFF\xFE").has_value());
    EXPECT_FALSE(GbkToUtf8("\xD6").has_value());  // lead byte without trail
    EXPECT_EQ(Utf8ToGbkLossy("a\xFF" "b"), "a?b");
    EXPECT_EQ(Utf8ToGbkLossy("x\xE4\xB8"), "x?");  // truncated at the end
    EXPECT_EQ(GbkToUtf8Lossy(kZhongGbk + "\xFF"), kZhongUtf8 + "?");
    // Lossy conversion of a reused converter after an error still works.
    EXPECT_EQ(Utf8ToGbkLossy(kZhongUtf8), kZhongGbk);
}

TEST(CodePage, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8(kZhongUtf8));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8(kZhongUtf8.substr(0, 2)));
    EXPECT_FALSE(IsValidUtf8(kZhongGbk));
}

TEST(CodePage, LongTextsConvertCompletely) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i) utf8 += kZhongUtf8;
    const auto gbk = Utf8ToGbk(utf8);
    ASSERT_TRUE(gbk.has_value());
    EXPECT_EQ(gbk->size(), 10000u);
    EXPECT_EQ(GbkToUtf8(*gbk), utf8);
}

}  // namespace
}  // namespace ostrand
