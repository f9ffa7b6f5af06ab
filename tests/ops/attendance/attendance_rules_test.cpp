// The attendance terminal's checks and encodings, one table per rule.

#include <gtest/gtest.h>

#include "ops/attendance/attend_periods.h"
#include "ops/attendance/card_params.h"
#include "ops/attendance/device_bindings.h"
#include "ops/attendance/list_fields.h"
#include "ops/attendance/terminal_params.h"

namespace ostrand {
namespace {

TEST(AttendanceLists, SplitKeepsInnerEmptiesAndDropsTheTrailingRemainder) {
    struct Case {
        const char* text;
        std::vector<std::string> fields;
    } cases[] = {
        {"", {}},
        {"&", {""}},
        {"a&&b", {"a", "", "b"}},
        {"08:00&12:00&", {"08:00", "12:00"}},
        {"a&b", {"a", "b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitFields(c.text, '&'), c.fields) << c.text;

    EXPECT_EQ(SplitIntList("1,,-2, 3x,abc,"), (std::vector<int>{1, 0, -2, 3, 0}));
    EXPECT_EQ(AtoiValue("99999999999"), INT_MAX);
    EXPECT_EQ(AtoiValue("-99999999999"), INT_MIN);
    EXPECT_EQ(FormatChannelList({0, 0, 1, 0}), "0,0,1,0,");
}

TEST(TerminalParamChecks, NumbersAreJudgedByTheirAtoiValue) {
    struct Case {
        bool (*check)(const std::string&);
        const char* text;
        bool accepted;
    } cases[] = {
        {UnlockTimeAccepted, "254", true},  {UnlockTimeAccepted, "255", false},
        {UnlockTimeAccepted, "-1", false},  {UnlockTimeAccepted, "0", true},
        {UnlockTimeAccepted, "", true},     {UnlockTimeAccepted, "abc", true},
        {NewAddressAccepted, "7", true},    {NewAddressAccepted, "8", false},
        {NewAddressAccepted, "", false},    {NewAddressAccepted, "-1", false},
        {DirectionAccepted, "0", true},     {DirectionAccepted, "1", true},
        {DirectionAccepted, "2", false},    {DirectionAccepted, "", false},
        {DirectionAccepted, "ab", true},    {FaceIntervalAccepted, "127", true},
        {FaceIntervalAccepted, "128", false}, {FaceIntervalAccepted, "", true},
    };
    for (const Case& c : cases) EXPECT_EQ(c.check(c.text), c.accepted) << c.text;
}

TEST(TerminalParamChecks, InboundGateChannelsAlwaysAnnounce) {
    const ParamMap request = GateChannelsRequest(
        {GateChannel{false, false}, GateChannel{false, true}, GateChannel{true, false},
         GateChannel{false, false}});
    EXPECT_EQ(request.at("inoutlist"), "0,0,1,0,");
    EXPECT_EQ(request.at("soundlist"), "1,1,0,1,");

    struct Case {
        const char* repeatTime;
        int entry;
    } entries[] = {{"0", 0}, {"1", 0}, {"3", 2}, {"5", -1}, {"x", 0}};
    for (const Case& c : entries) EXPECT_EQ(SpeakerRepeatEntry(c.repeatTime), c.entry) << c.repeatTime;
}

TEST(AttendPeriods, ReplyWithTrailingSeparatorsFillsTheFirstPeriods) {
    const PeriodTable table = PeriodsFromReply({{"AttendType", "1&2&0"},
                                                {"BeginTime", "08:00&12:00&"},
                                                {"EndTime", "09:00&13:00&"}});
    EXPECT_EQ(table[0], (AttendPeriod{1, "08:00", "09:00"}));
    EXPECT_EQ(table[1], (AttendPeriod{2, "12:00", "13:00"}));
    for (std::size_t i = 2; i < table.size(); ++i) EXPECT_EQ(table[i], AttendPeriod{}) << i;

    // Fewer times than types, an unknown type, more than 16 entries.
    const PeriodTable shortTimes = PeriodsFromReply(
        {{"AttendType", "2&7&1&1&1&1&1&1&1&1&1&1&1&1&1&1&1&1"}, {"BeginTime", "10:00"}, {"EndTime", ""}});
    EXPECT_EQ(shortTimes[0], (AttendPeriod{2, "10:00", ""}));
    EXPECT_EQ(shortTimes[1], AttendPeriod{});
    EXPECT_EQ(shortTimes[15], (AttendPeriod{1, "", ""}));
}

TEST(AttendPeriods, WholeTableIsSentWithEmptyTimesAsMidnight) {
    PeriodTable table;
    table[0] = {1, "08:00", "09:00"};
    table[5] = {2, "17:00", ""};
    const ParamMap request = PeriodsRequest(table);
    EXPECT_EQ(request.at("AttendType"), "1&0&0&0&0&2&0&0&0&0&0&0&0&0&0&0");
    EXPECT_EQ(request.at("BeginTime"),
              "08:00&00:00&00:00&00:00&00:00&17:00&00:00&00:00&00:00&00:00&00:00&00:00&00:00&00:00&00:00&00:00");
    EXPECT_EQ(SplitFields(request.at("EndTime"), '&')[5], "00:00");
    EXPECT_EQ(SplitFields(request.at("EndTime"), '&').size(), 16u);
}

TEST(AttendPeriods, ModifyChecksOverlapsBeforeOrder) {
    struct Case {
        int index;
        int type;
        PeriodTime begin;
        PeriodTime end;
        bool applied;
        const char* message;
    } cases[] = {
        {2, 1, {8, 30}, {10, 0}, false, "开始时间08:30和时间段0的时间08:00-09:00重叠，请重新输入"},
        {2, 1, {7, 0}, {8, 0}, false, "结束时间08:00和时间段0的时间08:00-09:00重叠，请重新输入"},
        {2, 0, {7, 0}, {10, 0}, false, "时间07:00-10:00包含时间段0的时间08:00-09:00，请重新输入"},
        {2, 2, {12, 0}, {12, 0}, true, "修改时间段2的时间12:00-12:00为签退状态"},
        {2, 1, {13, 0}, {12, 0}, false, "开始时间不能大于结束时间，请重新输入"},
        {0, 0, {8, 30}, {8, 45}, true, "修改时间段0的时间08:30-08:45为无效状态"},
        {16, 1, {1, 0}, {2, 0}, false, "选择的时间段有误"},
        {3, 3, {1, 0}, {2, 0}, false, "出勤类型不正确"},
    };
    for (const Case& c : cases) {
        PeriodTable table;
        table[0] = {1, "08:00", "09:00"};
        const PeriodTable before = table;
        const PeriodChange change = ModifyPeriod(table, c.index, c.type, c.begin, c.end);
        EXPECT_EQ(change.applied, c.applied) << c.message;
        EXPECT_EQ(change.message, c.message);
        if (!c.applied) {
            EXPECT_EQ(table, before) << c.message;
        }
    }
}

TEST(AttendPeriods, TimesForPickersAndFromTypedText) {
    EXPECT_EQ(PickerTime(""), (PeriodTime{0, 0}));
    EXPECT_EQ(PickerTime("8:5"), (PeriodTime{8, 5}));
    EXPECT_EQ(PickerTime("25:00"), (PeriodTime{0, 0}));
    EXPECT_EQ(ParsePeriodTime("8:05"), (PeriodTime{8, 5}));
    for (const char* bad : {"", "24:00", "8:5", "ab:cd", "12:60", "123:00"}) {
        EXPECT_FALSE(ParsePeriodTime(bad).has_value()) << bad;
    }
}

TEST(DeviceBindings, SelfAndDuplicateChecks) {
    struct Case {
        CommandCode code;
        ChannelBindings channels;
        const char* refusal;
    } cases[] = {
        {kBindPhotoIpcCode, {"A1", "A2", "T9", ""}, "不可绑定自己!"},
        {kBindPhotoIpcCode, {"A1", "A1", "A2", "A3"}, ""},
        {kBindSignInCodeCode, {"Q1", "Q2", "Q3", "Q2"}, "不可重复绑定!"},
        {kBindSignInCodeCode, {"Q1", "", "Q3", ""}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(BindingRefusal(c.code, c.channels, "T9"), c.refusal);
    // The QR variant's own number is empty: empty channels are not "self".
    EXPECT_EQ(BindingRefusal(kBindPhotoIpcCode, {"A1", "", "A2", "A3"}, ""), "不可绑定自己!");
    EXPECT_EQ(BindingList({"A1", "", "A3", ""}), "A1&&A3&&");
}

TEST(DeviceBindings, RefusalTexts) {
    struct Case {
        ParamMap reply;
        const char* text;
    } cases[] = {
        {{{"result", "5"}, {"message", "ch1:1,ch2:2"}}, "ch1:非法,ch2:已绑定,请重新设置!"},
        {{{"result", "3"}}, "网络异常！"},
        {{{"result", "1"}}, "无效的服务器地址，确定是否成功登陆为考勤机！"},
        {{{"result", "24"}}, "JSON编码出错！通讯异常！"},
        {{}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(BindingFailureText(c.reply), c.text);
}

TEST(DeviceBindings, VisitorVersionGate) {
    struct Case {
        const char* version;
        bool supported;
    } cases[] = {
        {"V6.8.232", false}, {"V6.8.233", true}, {"XT_6.8.240.1", true},
        {"6.9.300", false},  {"", false},        {"6.8.", false},
    };
    for (const Case& c : cases) EXPECT_EQ(VisitorVersionSupported(c.version), c.supported) << c.version;
}

TEST(CardParamChecks, CountAndTimeInByteRange) {
    struct Case {
        CardParams params;
        const char* refusal;
    } cases[] = {
        {{"256", "1"}, "读取次数不在范围0-255"}, {{"-1", "1"}, "读取次数不在范围0-255"},
        {{"", "1"}, "读取次数为空"},             {{"0", "255"}, ""},
        {{"255", ""}, "读取时间为空"},           {{"12ab", "300"}, "读取时间不在范围0-255"},
        {{"12ab", "7"}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CardParamsRefusal(c.params), c.refusal) << c.params.readCount << "/" << c.params.readTime;
    }
}

}  // namespace
}  // namespace ostrand
