// The speaker page's rules: page choice by build, speaker-number checks, the
// names bound to one speaker, the amplifier tab's gate and the list replies.

#include "ops/peripherals/speaker_rules.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ops/shell/speaker_build.h"

namespace ostrand {
namespace {

TEST(SpeakerRules, PlaceModeFollowsTheLastDottedNumber) {
    ResetSpeakerBuild();
    struct Case {
        const char* version;
        bool places;
    };
    // A text without "." keeps the previous build's choice.
    for (const Case& c : {Case{"V6.8.236", false}, Case{"V6.8.237", true}, Case{"nodots", true},
                          Case{"1.0.236", false}, Case{"nodots", false}}) {
        RecordSpeakerVersion(c.version);
        EXPECT_EQ(PlaceMode(), c.places) << c.version;
    }
    ResetSpeakerBuild();
}

TEST(SpeakerRules, SpeakerTextChecks) {
    struct Case {
        const char* text;
        const char* refusal;  // nullptr: passes
    };
    const Case cases[] = {
        {"1,2,3", nullptr},
        {"255,1", nullptr},
        {"5,05", nullptr},  // different texts
        {"1,2,3,4,5,6,7,8", nullptr},
        {"1,2,", "音箱号格式输入有误，请重新输入"},
        {"1;2", "音箱号输入有误，请重新输入"},
        {"1 2", "音箱号输入有误，请重新输入"},
        {"1,2,3,4,5,6,7,8,9", "每个班级最大可配置8个音箱"},
        {"1,,3", "第2个音箱为空，请重新输入"},
        {",1", "第1个音箱为空，请重新输入"},
        {"", "第1个音箱为空，请重新输入"},
        {"256", "第1个音箱号超过255，请重新输入"},
        {"1,99999999999999999999", "第2个音箱号超过255，请重新输入"},
        {"0000000000005", nullptr},
        {"5,5", "出现音箱号重复，请重新输入"},
    };
    for (const Case& c : cases) {
        const auto refusal = CheckSpeakerText(c.text);
        if (c.refusal == nullptr) EXPECT_FALSE(refusal) << c.text << ": " << refusal.value_or("");
        else EXPECT_EQ(refusal.value_or("passes"), c.refusal) << c.text;
    }
}

TEST(SpeakerRules, RelatedClassTextNamesEveryRowHoldingTheSpeaker) {
    const std::vector<SpeakerClassRow> rows = {
        {"1", "A", "1,3", "", ""}, {"2", "B", "3", "", ""}, {"3", "C", "13,30", "", ""}, {"4", "D", "", "", ""}};
    EXPECT_EQ(RelatedClassText(rows, 3), "A  B  ");
    EXPECT_EQ(RelatedClassText(rows, 1), "A  ");
    EXPECT_EQ(RelatedClassText(rows, 7), "");
}

// A locale whose decimal point is a comma, as the toolkit may set for the
// process, built for the test's lifetime (skipped where glibc's locale sources
// are missing).
class CommaDecimalLocale {
public:
    CommaDecimalLocale() {
        char pattern[] = "/tmp/ostrand-locale-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        dir_ = pattern;
        const std::string build = "localedef -i de_DE -f UTF-8 " + dir_ + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(build.c_str()) != 0) return;
        ::setenv("LOCPATH", dir_.c_str(), 1);
        ok_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaDecimalLocale() {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }
    bool Ok() const { return ok_; }

private:
    std::string dir_;
    bool ok_ = false;
};

TEST(SpeakerRules, AmplifierTabGateUnderEveryLocale) {
    struct Case {
        const char* version;
        bool allowed;
    };
    const auto check = [] {
        for (const Case& c : {Case{"V6.8.227", true}, Case{"V6.8.226", false}, Case{"6.8.300", false},
                              Case{"V6.8.226.5", true}, Case{"V6.9.300", false}, Case{"", false},
                              Case{"X6.8.abc", false}}) {
            EXPECT_EQ(AmplifierTabAllowed(c.version), c.allowed) << c.version;
        }
    };
    check();
    const CommaDecimalLocale comma;
    if (!comma.Ok()) GTEST_SKIP() << "no comma-decimal locale can be built here (glibc locale sources missing)";
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    check();
}

TEST(SpeakerRules, ListRepliesMakeRowsWithShortListsLeftEmpty) {
    const ParamMap classes{{"classids", "1&2&3&"},    {"classnames", "A&&C&"}, {"audionos", "1,2&3&"},
                           {"audiotests", "1&12"},    {"volume", "7"},         {"audiofreqs", "4"}};
    const auto page = SpeakerPageFromReply(classes, false);
    ASSERT_EQ(page.rows.size(), 3u);
    EXPECT_EQ(page.rows[0].speakers, "1,2");
    EXPECT_EQ(page.rows[1].name, "");
    EXPECT_EQ(page.rows[2].name, "C");
    EXPECT_EQ(page.rows[2].speakers, "");  // "audionos" has only two entries
    EXPECT_TRUE(page.testAvailable);
    EXPECT_TRUE(page.testOn);
    EXPECT_EQ(page.testSpeaker, 12);
    EXPECT_EQ(page.volume, 7);
    EXPECT_TRUE(page.radioBandAvailable);
    EXPECT_EQ(page.radioBand, 4);

    // The place page's names arrive in UTF-8 and are shown from GBK.
    const ParamMap places{{"classroomids", "9&"}, {"classroomnames", "一楼&"}, {"classids", "1&"},
                          {"classnames", "一班&"}, {"audionos", "5&"},      {"audiotests", "0"}};
    const auto placePage = SpeakerPageFromReply(places, true);
    ASSERT_EQ(placePage.rows.size(), 1u);
    EXPECT_EQ(placePage.rows[0].name, "\xD2\xBB\xC2\xA5");
    EXPECT_EQ(placePage.rows[0].className, "\xD2\xBB\xB0\xE0");
    EXPECT_TRUE(placePage.testAvailable);
    EXPECT_EQ(placePage.testSpeaker, 0);  // a single piece: no speaker given
    EXPECT_FALSE(placePage.radioBandAvailable);
}

}  // namespace
}  // namespace ostrand
