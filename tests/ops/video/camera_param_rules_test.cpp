#include <gtest/gtest.h>

#include "ops/video/camera_param_rules.h"
#include "ops/video/device_status.h"
#include "ops/video/ptz_control.h"

namespace ostrand::video {
namespace {

TEST(CameraValueEncoding, ColourValuesBecomeRoundedPercentages) {
    const struct {
        const char* wire;
        int percent;
    } cases[] = {{"128", 50}, {"2", 1}, {"1", 0}, {"255", 100}, {"0", 0},
                 {"64", 25},  // 25.09
                 {"193", 76},  // 75.68: tenths digit 6 rounds up
                 {"300", 100}, {"-4", 0}, {"", 0}, {"abc", 0}};
    for (const auto& c : cases) EXPECT_EQ(ColourPercent(c.wire), c.percent) << c.wire;
}

TEST(CameraValueEncoding, WhiteBalanceGainsAreHundredths) {
    EXPECT_EQ(GainPosition("5099"), 50);
    EXPECT_EQ(GainPosition("10000"), 100);
    EXPECT_EQ(GainPosition("99"), 0);
    EXPECT_EQ(GainPosition("20000"), 100);
    const struct {
        int position;
        const char* sent;
    } sends[] = {{0, "100"}, {1, "100"}, {50, "5000"}, {100, "10000"}};
    for (const auto& s : sends) EXPECT_EQ(GainSendValue(s.position), s.sent) << s.position;
}

TEST(CameraValueEncoding, SelectorCodes) {
    EXPECT_EQ(ResolutionFromVsize("4"), Resolution::Vga);
    EXPECT_EQ(ResolutionFromVsize("12"), Resolution::Hd720);
    EXPECT_EQ(ResolutionFromVsize("7"), Resolution::Hd720);
    EXPECT_EQ(ResolutionFromVsize(""), std::nullopt);
    EXPECT_EQ(VsizeFor(Resolution::Vga), "4");
    EXPECT_EQ(VsizeFor(Resolution::Hd720), "12");

    EXPECT_EQ(VideoModeFromReply("0"), 0);
    EXPECT_EQ(VideoModeFromReply("1"), 1);
    EXPECT_EQ(VideoModeFromReply("4"), 4);
    EXPECT_EQ(VideoModeFromReply("7"), std::nullopt);  // leaves the selector
    EXPECT_EQ(VideoModeFromReply("12"), std::nullopt);
    EXPECT_EQ(VideoModeFromText("ECBR"), 4);
    EXPECT_EQ(VideoModeFromText("质量优先"), 1);
    EXPECT_EQ(VideoModeFromText("6"), 6);
    EXPECT_EQ(VideoModeFromText("7"), std::nullopt);
    EXPECT_STREQ(VideoModeText(0, Language::English), "Smooth First");

    EXPECT_EQ(PowerFrequencyFromReply("60"), PowerFrequency::Hz60);
    EXPECT_EQ(PowerFrequencyFromReply("55"), std::nullopt);

    // Wire mode -> (entry, reset to auto).
    const struct {
        const char* mode;
        int entry;
        bool reset;
    } modes[] = {{"2", 0, false}, {"4", 2, false}, {"6", 4, false}, {"9", 0, true},
                 {"1", 0, true},  {"0", 0, true},  {"", 0, true}};
    for (const auto& m : modes) {
        const AwbModeChoice choice = AwbModeFromReply(m.mode);
        EXPECT_EQ(choice.entry, m.entry) << m.mode;
        EXPECT_EQ(choice.resetToAuto, m.reset) << m.mode;
    }
    EXPECT_STREQ(AwbModeText(AwbModeFromReply("4").entry, Language::Chinese), "阳光模式");
    EXPECT_EQ(AwbModeFromText("晴天模式"), 4);
    EXPECT_EQ(AwbCodeForEntry(4), "6");

    EXPECT_EQ(SwitchFromReply(""), true);
    EXPECT_EQ(SwitchFromReply("1"), true);
    EXPECT_EQ(SwitchFromReply("0"), false);
    EXPECT_EQ(SwitchFromReply("2"), std::nullopt);
}

TEST(CameraValueEncoding, DayStaysSixtyAboveNight) {
    const struct {
        int day;
        int night;
        int dayAfter;
        int nightAfter;
    } cases[] = {
        {100, 80, 140, 40},   // day raised to night + 60; night lowered to day - 60
        {100, 470, 500, 40},  // capped at 500
        {200, 100, 200, 100},  // already 60 apart: unchanged
        {160, 100, 160, 100},  // exactly 60
        {30, 0, 60, 0},        // night floored at 0
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DayAfterSpacing(c.day, c.night), c.dayAfter) << c.day << "/" << c.night;
        EXPECT_EQ(NightAfterSpacing(c.day, c.night), c.nightAfter) << c.day << "/" << c.night;
    }
}

TEST(CameraValueEncoding, EditRanges) {
    const struct {
        EditField field;
        const char* text;
        bool accepted;
        int value;
    } cases[] = {
        {EditField::BitRate, "2000", true, 2000}, {EditField::BitRate, "2001", false, 2001},
        {EditField::BitRate, "0", false, 0},      {EditField::BitRate, "abc", false, 0},
        {EditField::BitRate, "12kb", true, 12},   {EditField::BitRate, "99999999999", false, INT32_MAX},
        {EditField::FrameRate, "30", true, 30},   {EditField::FrameRate, "31", false, 31},
        {EditField::KeyFrame, "29", false, 29},   {EditField::KeyFrame, "128", true, 128},
    };
    for (const auto& c : cases) {
        const EditCheck check = CheckEdit(c.field, c.text, Language::Chinese);
        EXPECT_EQ(check.accepted, c.accepted) << c.text;
        EXPECT_EQ(check.value, c.value) << c.text;
        EXPECT_EQ(check.message.empty(), c.accepted) << c.text;
    }
    EXPECT_EQ(CheckEdit(EditField::BitRate, "abc", Language::Chinese).message,
              "输入的值小于1， 或大于2000， 请重新输入");
    EXPECT_EQ(CheckEdit(EditField::KeyFrame, "1", Language::English).message,
              "Value < 30 or Value > 128,input again");
}

TEST(PtzRequests, ButtonsPresetsAndCruise) {
    const auto triple = [](const ParamMap& r) {
        return r.at("ptztype") + "," + r.at("ptzsubtype") + "," + r.at("ptzspeed");
    };
    EXPECT_EQ(triple(PtzMoveRequest(PtzMove::Up, 0)), "7,1,1");
    EXPECT_EQ(triple(PtzMoveRequest(PtzMove::FocusFar, 40)), "6,1,40");
    EXPECT_EQ(triple(PtzMoveRequest(PtzMove::Right, 99)), "7,4,63");
    EXPECT_EQ(triple(PtzMoveRequest(PtzMove::ZoomShort, 5)), "4,2,5");
    EXPECT_EQ(triple(PtzMoveRequest(PtzMove::IrisSmall, 5)), "5,2,5");
    EXPECT_EQ(triple(PtzStopRequest()), "7,0,0");
    EXPECT_EQ(triple(PresetRequest(PresetAction::DeleteAll, 17)), "8,5,17");
    EXPECT_EQ(triple(PresetRequest(PresetAction::Add, 1)), "8,1,1");
    EXPECT_EQ(triple(PresetRequest(PresetAction::MoveTo, 255)), "8,3,255");
    EXPECT_EQ(triple(CruiseRequest(3)), "8,4,3");
    EXPECT_EQ(PtzStopRequest().size(), 3u);  // no "channel"
    EXPECT_EQ(TrackEntryText(1), "轨道1(1-16)");
    EXPECT_EQ(TrackEntryText(3), "轨道3(33-48)");
    EXPECT_EQ(TrackEntryText(16), "轨道16(241-256)");
    EXPECT_EQ(PtzMoveFromName("zoom-long"), PtzMove::ZoomLong);
    EXPECT_EQ(PresetActionFromName("goto"), PresetAction::MoveTo);
    EXPECT_EQ(PresetActionFromName("jump"), std::nullopt);
}

TEST(DeviceStatus, ReplyTextsInBothLanguages) {
    const ParamMap reply = {{"sdstatus", "yes"}, {"resetbtnstatus", "no"}, {"AlarmKey1", "yes"}};
    EXPECT_EQ(StatusTextsFromReply(reply, Language::Chinese),
              (DeviceStatusTexts{"已插入", "UP", "DOWN", "版本不支持"}));
    EXPECT_EQ(StatusTextsFromReply(reply, Language::English),
              (DeviceStatusTexts{"Insert", "UP", "DOWN", "No Support"}));
    EXPECT_EQ(StatusTextsFromReply({{"sdstatus", "no"}, {"resetbtnstatus", "x"}}, Language::English),
              (DeviceStatusTexts{"No Insert", "版本不支持", "No Support", "No Support"}));
    EXPECT_EQ(StatusTextsFromReply({}, Language::Chinese), UnknownStatusTexts());
}

TEST(DeviceStatus, PollStopsAfterTwoFailuresInARow) {
    StatusPollRule twoInARow;
    twoInARow.Record(false);
    EXPECT_TRUE(twoInARow.KeepPolling());
    twoInARow.Record(false);
    EXPECT_FALSE(twoInARow.KeepPolling());

    // A camera that misses one poll now and then keeps being polled.
    StatusPollRule occasional;
    for (int i = 0; i < 5; ++i) {
        occasional.Record(false);
        occasional.Record(true);
    }
    EXPECT_TRUE(occasional.KeepPolling());
}

}  // namespace
}  // namespace ostrand::video
