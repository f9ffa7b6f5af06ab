#include "platform/app_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/paths.h"
#include "temp_dir.h"

namespace ostrand {
namespace {

TEST(AppState, VersionIsCutBeforeItsSecondDot) {
    EXPECT_EQ(CutVersionText("7.10.0.0"), "7.10");
    EXPECT_EQ(CutVersionText("7.10"), "7.10");
    EXPECT_EQ(CutVersionText("7"), "7");
    EXPECT_EQ(CutVersionText(""), "");
    EXPECT_EQ(AppVersionText(), CutVersionText(FileVersionText()));
    const std::string full = FileVersionText();
    EXPECT_EQ(std::count(full.begin(), full.end(), '.'), 3);
}

TEST(AppState, LanguagePicksTexts) {
    EXPECT_EQ(UiLanguage(), Language::Chinese);
    EXPECT_STREQ(Tr("中", "en"), "中");
    SetUiLanguage(Language::English);
    EXPECT_STREQ(Tr("中", "en"), "en");
    SetUiLanguage(Language::Chinese);
}

TEST(MessageSinkTest, RecordingSinkTakesMessagesAndQueuedAnswers) {
    RecordingMessageSink sink;
    ScopedMessageSink scope(sink);
    ShowMessage("hello", "cap");
    sink.QueueAnswer(true);
    EXPECT_TRUE(AskYesNo("q1"));
    EXPECT_FALSE(AskYesNo("q2"));  // nothing queued: No
    ASSERT_EQ(sink.Entries().size(), 3u);
    EXPECT_EQ(sink.Entries()[0].caption, "cap");
    EXPECT_TRUE(sink.Entries()[1].question);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"hello", "q1", "q2"}));
}

TEST(ClockTest, ManualClockAdvancesOnlyBySleeps) {
    ManualClock clock;
    ScopedClock scope(clock);
    const auto start = CurrentClock().Now();
    CurrentClock().SleepFor(std::chrono::seconds(30));
    EXPECT_EQ(CurrentClock().Now() - start, std::chrono::seconds(30));
}

TEST(Paths, DirectoriesAreMadeWithTheirParents) {
    test::TempWorkingDir dir;
    EXPECT_TRUE(MakeDirectoryPath((dir.Path() / "a/b/c").string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "a/b/c"));
    EXPECT_TRUE(MakeDirectoryPath((dir.Path() / "a/b/c").string()));
    EXPECT_FALSE(MakeDirectoryPath(""));
    EXPECT_EQ(ExecutableBaseName(), "platform_tests");
    EXPECT_FALSE(ProgramDirectory().empty());
}

}  // namespace
}  // namespace ostrand
