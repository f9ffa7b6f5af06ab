// The checks and encodings of the maintenance dialogs, one table per rule.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/device_identity_rules.h"
#include "ops/maintenance/device_name_rules.h"
#include "ops/maintenance/log_download.h"
#include "ops/maintenance/password_rules.h"
#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8).value(); }
std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

const std::string kLengthMessage = "输入字符大于30或为空";
std::string ForbiddenMessage(const std::string& shown) {
    return "名称［" + shown + "］中不能包含下列字符：\n\n    , < > ? * | \\ / : ";
}

TEST(DeviceNameRules, LengthInGbkBytesAndForbiddenBytes) {
    SetUiLanguage(Language::Chinese);
    struct Case {
        std::string name;  // GBK
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {std::string(30, 'a'), std::nullopt},
        {std::string(31, 'a'), kLengthMessage},
        {"", kLengthMessage},
        {Repeat(Gbk("门"), 15), std::nullopt},   // 15 Chinese characters are 30 bytes
        {Repeat(Gbk("门"), 16), kLengthMessage},
        {"a/b", ForbiddenMessage("a/b")},
        {"a,b", ForbiddenMessage("a,b")},
        {"a<b", ForbiddenMessage("a<b")},
        {"a>b", ForbiddenMessage("a>b")},
        {"a?b", ForbiddenMessage("a?b")},
        {"a*b", ForbiddenMessage("a*b")},
        {"a|b", ForbiddenMessage("a|b")},
        {"a\\b", ForbiddenMessage("a\\b")},
        {"a:b", ForbiddenMessage("a:b")},
        {"a b-c.d_e", std::nullopt},
        // Two-byte characters whose trail byte is "\" (0x5C) or "|" (0x7C).
        {Gbk("乗"), ForbiddenMessage("乗")},
        {Gbk("亅"), ForbiddenMessage("亅")},
        {Gbk("前台"), std::nullopt},
        // Length comes before the characters.
        {std::string(31, '/'), kLengthMessage},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceNameProblem(c.name), c.message) << GbkToUtf8Lossy(c.name);
    }
    EXPECT_EQ(FindForbiddenNameByte("\x81\x5C"), '\\');
    EXPECT_EQ(FindForbiddenNameByte("\x81\x7C"), '|');
}

TEST(DeviceNameRules, EnglishTexts) {
    SetUiLanguage(Language::English);
    EXPECT_EQ(DeviceNameProblem(""), "Input String > 30,or null");
    EXPECT_EQ(DeviceNameProblem("x?"), "Title［x?］cannot include：\n\n    , < > ? * | \\ / : ");
    SetUiLanguage(Language::Chinese);
}

TEST(DeviceIdentityRules, NumberTrimmedThenSixEightOrElevenBytes) {
    SetUiLanguage(Language::Chinese);
    const std::string lengthMessage = "新输入的设备编号长度不符，长度必须为6个字符，8个字符或者11个字符";
    struct Case {
        std::string typed;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {"123456", std::nullopt},          {"1234567", lengthMessage},
        {"12345678", std::nullopt},        {"123456789", lengthMessage},
        {"1234567890", lengthMessage},     {"12345678901", std::nullopt},
        {"123456789012", lengthMessage},   {"\t123456\n", std::nullopt},
        {"123456\t", std::nullopt},        {"123456 ", lengthMessage},
        {"", lengthMessage},               {"12/456", ForbiddenMessage("12/456")},
        {"12:45", ForbiddenMessage("12:45")},  // the characters are checked before the length
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceNumberProblem(TrimTabsAndLineFeeds(c.typed)), c.message) << c.typed;
    }
    EXPECT_EQ(TrimTabsAndLineFeeds("\t\n a b \n\t"), " a b ");
    EXPECT_EQ(TrimTabsAndLineFeeds("\t\n"), "");
}

TEST(DeviceIdentityRules, ModelOneToThirtyBytes) {
    SetUiLanguage(Language::Chinese);
    struct Case {
        std::string model;
        std::optional<std::string> message;
    };
    const std::vector<Case> cases = {
        {std::string(30, 'M'), std::nullopt},
        {std::string(31, 'M'), "新输入的产品型号过长，请重新输入"},
        {"", "请输入产品型号！！"},
        {"QZ-100*2", ForbiddenMessage("QZ-100*2")},
        {"\tQZ", std::nullopt},  // the model is not trimmed
    };
    for (const Case& c : cases) EXPECT_EQ(ProductModelProblem(c.model), c.message) << c.model;
    SetUiLanguage(Language::English);
    EXPECT_EQ(ProductModelProblem(""), "Please input product ID");
    SetUiLanguage(Language::Chinese);
}

TEST(PasswordRules, ModeFromTheVersionText) {
    struct Case {
        const char* version;
        PasswordMode mode;
    };
    const Case cases[] = {
        {"IPC-3.9.2000", PasswordMode::Plain},     {"IPC-3.9.1666", PasswordMode::Plain},
        {"IPC-3.9.8760", PasswordMode::Plain},     {"IPC-3.9.1665", PasswordMode::Hashed},
        {"IPC-3.9.8761", PasswordMode::Hashed},    {"IPC_A-3.9.2000", PasswordMode::Hashed},
        {"IPC-3.9.2000_b", PasswordMode::Hashed},  {"3.9.2000", PasswordMode::Hashed},
        {"", PasswordMode::Hashed},                {"a-b-3.9.2000", PasswordMode::Hashed},
        {"V-3.9.2", PasswordMode::Plain},  // compared as texts, not as numbers
    };
    for (const Case& c : cases) EXPECT_EQ(PasswordModeForVersion(c.version), c.mode) << c.version;
}

TEST(PasswordRules, SaltedLowerCaseDigestOfTheGbkBytes) {
    struct Case {
        std::string password;
        std::string wire;
    };
    const std::vector<Case> cases = {
        {"", "lnq7rb_d41d8cd98f00b204e9800998ecf8427e"},
        {"admin", "lnq7rb_21232f297a57a5a743894a0e4a801fc3"},
        {Gbk("密码"), "lnq7rb_d2293e30f0c964c5f6242486aa8a483c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PasswordWireForm(c.password), c.wire);
        EXPECT_EQ(PasswordWireForm(c.password).size(), 39u);
        EXPECT_EQ(PasswordAsSent(c.password, PasswordMode::Hashed), c.wire);
        EXPECT_EQ(PasswordAsSent(c.password, PasswordMode::Plain), c.password);
    }
    EXPECT_EQ(Utf8CharacterCount("密码ab"), 4u);
}

TEST(LogDownloadRules, ArchiveEndingAppendedUnlessExact) {
    struct Case {
        const char* chosen;
        const char* saved;
    };
    const Case cases[] = {
        {"/tmp/devlog", "/tmp/devlog.tar.gz"},
        {"/tmp/devlog.tar.gz", "/tmp/devlog.tar.gz"},
        {"/tmp/devlog.TAR.GZ", "/tmp/devlog.TAR.GZ.tar.gz"},
        {"/tmp/site.mapCfg", "/tmp/site.mapCfg.tar.gz"},
        {"/tmp/.tar.gz", "/tmp/.tar.gz"},
        {"/tmp/tar.gz", "/tmp/tar.gz.tar.gz"},
        {"devlog.gz", "devlog.gz.tar.gz"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithLogArchiveEnding(c.chosen).string(), c.saved) << c.chosen;
}

TEST(ClockRequest, SixZeroPaddedFieldsOfLocalTime) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    setenv("TZ", "UTC", 1);
    tzset();
    // 2024-03-05 07:08:09 UTC and 2031-12-31 23:59:59 UTC.
    const auto early = std::chrono::system_clock::from_time_t(1709622489);
    const auto late = std::chrono::system_clock::from_time_t(1956527999);
    EXPECT_EQ(ClockRequest(early), (ParamMap{{"year", "2024"}, {"mon", "03"}, {"day", "05"},
                                              {"hour", "07"}, {"min", "08"}, {"sec", "09"}}));
    EXPECT_EQ(ClockRequest(late), (ParamMap{{"year", "2031"}, {"mon", "12"}, {"day", "31"},
                                             {"hour", "23"}, {"min", "59"}, {"sec", "59"}}));
    setenv("TZ", "CST-8", 1);  // eight hours east, without the zone database
    tzset();
    EXPECT_EQ(ClockRequest(early).at("hour"), "15");
    if (previous) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace ostrand
