#include "platform/profile.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace ostrand {
namespace {

using test::ReadWholeFile;
using test::TempWorkingDir;
using test::WriteWholeFile;

TEST(Profile, SettingsFileIsNamedAfterTheExecutable) {
    EXPECT_EQ(SettingsFileName(), "platform_tests.ini");
}

TEST(Profile, MissingKeysAreWrittenBackWithTheirDefaults) {
    TempWorkingDir dir;
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout"), 3);
    EXPECT_EQ(ReadIniInt(0, "Compat"), 0);
    EXPECT_EQ(ReadIniString("IP", "", "", "Dev0"), "");
    EXPECT_EQ(ReadIniString("Nothing", std::nullopt), "");  // no default: nothing written
    EXPECT_EQ(ReadWholeFile(dir.Path() / SettingsFileName()), "[common]\nConnTimeout=3\nCompat=0\n[Dev0]\nIP=\n");
}

TEST(Profile, EmptyValueIsRewrittenAndGarbageDigitsGiveZero) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[common]\nConnTimeout=\nCompat=abc\nNeg= -42x\nBig=99999999999\n");
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout", "s.ini"), 3);
    EXPECT_EQ(ReadIniInt(0, "Compat", "s.ini"), 0);
    EXPECT_EQ(ReadIniInt(0, "Neg", "s.ini"), -42);
    EXPECT_EQ(ReadIniInt(0, "Big", "s.ini"), 2147483647);
    EXPECT_EQ(ReadWholeFile("s.ini"), "[common]\nConnTimeout=3\nCompat=abc\nNeg= -42x\nBig=99999999999\n");
}

TEST(Profile, NamesMatchCaseInsensitivelyAndValuesAreTrimmed) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[COMMON]\n  connTIMEOUT  =  7  \nQuoted=\"a b\"\n[dev1]\nip=10.0.0.1\n");
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout", "s.ini"), 7);
    EXPECT_EQ(ReadIniString("Quoted", "", "s.ini"), "a b");
    EXPECT_EQ(ReadIniString("IP", "", "s.ini", "Dev1"), "10.0.0.1");
}

TEST(Profile, WritingKeepsEveryOtherLineAndItsLineEnding) {
    TempWorkingDir dir;
    const std::string original =
        "; a comment\r\n[common]\r\ngarbage line without equals\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n=novalue\r\n";
    WriteWholeFile("s.ini", original);
    ASSERT_TRUE(WriteIniString("A", "5", "s.ini"));
    ASSERT_TRUE(WriteIniString("C", "3", "s.ini"));
    ASSERT_TRUE(WriteIniString("D", "4", "s.ini", "New"));
    EXPECT_EQ(ReadWholeFile("s.ini"),
              "; a comment\r\n[common]\r\ngarbage line without equals\r\nA=5\r\nC=3\r\n\r\n[Other]\r\nB=2\r\n"
              "=novalue\r\n[New]\r\nD=4\r\n");
}

TEST(Profile, FileWithoutFinalLineFeedGetsOneBeforeNewLines) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[common]\nA=1");
    ASSERT_TRUE(WriteIniString("B", "2", "s.ini"));
    EXPECT_EQ(ReadWholeFile("s.ini"), "[common]\nA=1\nB=2\n");
}

TEST(Profile, LongValuesAreCutTo511Bytes) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[common]\nLong=" + std::string(2000, 'x') + "\n");
    EXPECT_EQ(ReadIniString("Long", "", "s.ini").size(), 511u);
    EXPECT_EQ(ReadIniInt(0, "Long", "s.ini"), 0);
}

TEST(Profile, PathRule) {
    TempWorkingDir dir;
    EXPECT_EQ(ResolveProfilePath("x.ini"), dir.Path().string() + "/x.ini");
    EXPECT_EQ(ResolveProfilePath("/abs/x.ini"), "/abs/x.ini");
    EXPECT_EQ(ResolveProfilePath("\\abs\\x.ini"), "\\abs\\x.ini");
    EXPECT_EQ(ResolveProfilePath("C:x.ini"), "C:x.ini");
    const std::string absolute = (dir.Path() / "abs.ini").string();
    EXPECT_EQ(ReadIniInt(9, "K", absolute), 9);
    EXPECT_EQ(ReadWholeFile(absolute), "[common]\nK=9\n");
}

TEST(Profile, FirstSectionOfANameWins) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[common]\nA=1\n[common]\nA=2\nB=3\n");
    EXPECT_EQ(ReadIniString("A", "", "s.ini"), "1");
    EXPECT_EQ(ReadIniString("B", std::nullopt, "s.ini"), "");
}

TEST(Profile, UnwritableFileStillGivesTheDefault) {
    TempWorkingDir dir;
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout", "/nonexistent-dir/x.ini"), 3);
    EXPECT_FALSE(WriteIniString("A", "1", "/nonexistent-dir/x.ini"));
}

TEST(Profile, GbkNamesAreComparedExactlyPerCharacter) {
    TempWorkingDir dir;
    // Two GBK characters whose trail bytes differ only in ASCII case.
    WriteWholeFile("s.ini", "[common]\n\x81\x41=1\n");
    EXPECT_EQ(ReadIniString("\x81\x41", std::nullopt, "s.ini"), "1");
    EXPECT_EQ(ReadIniString("\x81\x61", std::nullopt, "s.ini"), "");
}

}  // namespace
}  // namespace ostrand
