// The speaker (5040) and amplifier (5044) operations against a simulated
// terminal, and the amplifier page's rules.

#include <gtest/gtest.h>

#include "ops/peripherals/net_power.h"
#include "ops/peripherals/speaker_config.h"
#include "peripheral_sim.h"

namespace ostrand {
namespace {

using test::PeripheralSim;

nlohmann::json TerminalState() {
    return {{"speakers",
             {{"classes", {{{"id", "1"}, {"name", "一班"}, {"speakers", "1,3"}}, {{"id", "2"}, {"name", "二班"}}}},
              {"places", {{{"id", "9"}, {"name", "一楼"}, {"speakers", "4"}, {"classId", "1"}, {"className", "一班"}}}},
              {"volume", 6}}},
            {"amplifiers",
             {{"known",
               {{{"number", "AMP1"}, {"state", "1"}, {"bind", "1"}, {"ip", "10.0.0.31"}},
                {{"number", "AMP2"}, {"state", "01"}, {"bind", "1"}, {"ip", "10.0.0.32"}},
                {{"number", "AMP3"}, {"state", "1"}, {"bind", "0"}}}},
              {"searchable", {{{"number", "AMP4"}, {"state", "1"}, {"bind", "0"}}}},
              {"classes", {{{"id", "1"}, {"name", "一班"}, {"amplifier", "AMP1"}, {"channel", "1"}}, {{"id", "2"}, {"name", "二班"}}}},
              {"oldBindingStays", true}}}};
}

TEST(SpeakerConfig, ListSetAndVolumeRoundTrip) {
    PeripheralSim sim(TerminalState());
    auto terminal = sim.Terminal();
    const auto page = LoadSpeakerPage(terminal, false);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->rows.size(), 2u);
    EXPECT_EQ(page->rows[0].name, "\xD2\xBB\xB0\xE0");  // GBK "一班"
    EXPECT_EQ(page->volume, 6);

    EXPECT_EQ(SetClassSpeakers(terminal, false, "2", "1,2,3").message, "设置成功!");
    EXPECT_EQ(LoadSpeakerPage(terminal, false)->rows[1].speakers, "1,2,3");
    const auto refused = SetClassSpeakers(terminal, false, "2", "1,2,");
    EXPECT_EQ(refused.message, "音箱号格式输入有误，请重新输入");

    EXPECT_EQ(SetClassSpeakers(terminal, true, "9", "7").message, "设置成功!");
    const auto places = LoadSpeakerPage(terminal, true);
    ASSERT_TRUE(places);
    EXPECT_EQ(places->rows[0].speakers, "7");
    EXPECT_EQ(places->rows[0].classId, "1");

    SetSpeakerVolume(terminal, 3, 9);
    EXPECT_EQ(GetSpeakerVolume(terminal, 3)->volume, 9);
    EXPECT_EQ(GetSpeakerVolume(terminal, 4)->text, "6");
    SetRadioBand(terminal, 12);
    SetSpeakerTest(terminal, 200, true);
    const auto after = LoadSpeakerPage(terminal, false);
    EXPECT_EQ(after->radioBand, 12);
    EXPECT_TRUE(after->testOn);
    EXPECT_EQ(after->testSpeaker, 200);
}

TEST(SpeakerConfig, RefusalCarriesTheDeviceText) {
    auto state = TerminalState();
    state["refuse"] = {{"5040", {"1", "3"}}};
    PeripheralSim sim(state);
    auto terminal = sim.Terminal();
    EXPECT_EQ(SetClassSpeakers(terminal, false, "1", "2").message, "设置失败，错误消息：refused");
    EXPECT_FALSE(GetSpeakerVolume(terminal, 1));
    DeviceEndpoint nobody{"127.0.0.1", 1};
    EXPECT_FALSE(LoadSpeakerPage(nobody, false));
}

TEST(NetPower, AmplifierListStatesAndBoundOnes) {
    const ParamMap reply{{"netpowernos", "A&B&C&D&"}, {"states", "1&01&1&"}, {"binds", "1&1&0&"}, {"ips", "x&y&"}};
    const auto list = AmplifierListFromReply(reply);
    ASSERT_EQ(list.rows.size(), 4u);
    EXPECT_EQ(list.rows[0].state, "在线");
    EXPECT_EQ(list.rows[0].bind, "已绑定");
    EXPECT_TRUE(list.rows[0].ticked);
    EXPECT_EQ(list.rows[1].state, "不在线");  // "0" then "1" is not "1"
    EXPECT_TRUE(list.rows[1].ticked);
    EXPECT_EQ(list.rows[2].bind, "未绑定");
    EXPECT_EQ(list.rows[3].state, "");  // lists shorter than the numbers: empty cells
    EXPECT_EQ(list.rows[3].ip, "");
    EXPECT_EQ(list.boundAmplifiers, std::vector<std::string>{"A"});
}

TEST(NetPower, RequestsAndResults) {
    EXPECT_EQ(BindAmplifiersRequest({}), (ParamMap{{"handtype", "1"}}));
    EXPECT_EQ(BindAmplifiersRequest({"A", "C"}).at("netpowernos"), "A&C&");

    struct Flag {
        const char* before;
        const char* after;
        const char* flag;
    };
    for (const Flag& c : {Flag{"", "A", "1"}, Flag{"A", "A", "2"}, Flag{"A", "B", "3"}})
        EXPECT_EQ(NetClassTypeFlag(c.before, c.after), c.flag) << c.before << "->" << c.after;

    const ClassAmpBinding fresh{"7", "name", "", "", false};
    const auto request = SetNetClassRequest(fresh, "A", "1_2");
    EXPECT_EQ(request.at("channel"), "1_2_");
    EXPECT_EQ(request.at("volume"), "5");
    EXPECT_EQ(request.at("typeflag"), "1");

    struct Result {
        const char* oldAmplifier;
        const char* result;
        const char* message;
        bool changed;
    };
    for (const Result& c : {Result{"", "10000", "设置成功!", true}, Result{"A", "1", "设置成功，但原关系删除失败!", true},
                            Result{"", "1", "设置成功!", true}, Result{"A", "10001", "设置失败!", false},
                            Result{"A", "", "设置失败!", false}}) {
        ClassAmpBinding binding{"7", "n", c.oldAmplifier, "3", false};
        EXPECT_EQ(ApplyNetClassResult(binding, c.result, "B", "1_2"), c.message) << c.result;
        EXPECT_EQ(binding.changed, c.changed) << c.result;
        EXPECT_EQ(binding.channel, c.changed ? "1_2" : "3");
    }
}

TEST(NetPower, RefreshSearchBindAndClassBindingAgainstTheSimulator) {
    PeripheralSim sim(TerminalState());
    auto terminal = sim.Terminal();
    auto page = RefreshNetPower(terminal);
    ASSERT_TRUE(page.ok);
    EXPECT_EQ(page.amplifiers.rows.size(), 3u);
    EXPECT_EQ(page.amplifiers.boundAmplifiers, std::vector<std::string>{"AMP1"});
    ASSERT_EQ(page.classes.size(), 2u);
    EXPECT_EQ(page.classes[0].amplifier, "AMP1");

    AmplifierList found;
    EXPECT_TRUE(SearchAmplifiers(terminal, found).ok);
    EXPECT_EQ(found.rows.size(), 4u);
    EXPECT_EQ(BindAmplifiers(terminal, {"AMP3", "AMP4"}).message, "设置成功!");
    page = RefreshNetPower(terminal);
    EXPECT_EQ(page.amplifiers.boundAmplifiers, (std::vector<std::string>{"AMP3", "AMP4"}));

    // Class 1 moves from AMP1 to AMP3: the terminal keeps the old binding ("1").
    ClassAmpBinding moved{"1", page.classes[0].className, "AMP1", "1", false};
    EXPECT_EQ(SetNetClassBinding(terminal, moved, "AMP3", "1_2"), "设置成功，但原关系删除失败!");
    ClassAmpBinding added{"2", page.classes[1].className, "", "", false};
    EXPECT_EQ(SetNetClassBinding(terminal, added, "AMP4", "16"), "设置成功!");
    page = RefreshNetPower(terminal);
    EXPECT_EQ(page.classes[0].amplifier, "AMP3");
    EXPECT_EQ(page.classes[0].channel, "1_2");
    EXPECT_EQ(page.classes[1].channel, "16");

    EXPECT_EQ(UnbindNetClass(terminal, "1").message, "解绑成功!");
    EXPECT_EQ(UnbindNetClass(terminal, "").message, "解绑失败!");
    EXPECT_EQ(RefreshNetPower(terminal).classes[0].amplifier, "");
}

TEST(NetPower, FailedRefreshEmptiesBothListsAndSendsNothingElse) {
    DeviceEndpoint nobody{"127.0.0.1", 1};
    RecordingMessageSink sink;
    ScopedMessageSink scoped(sink);
    const auto page = RefreshNetPower(nobody);
    EXPECT_FALSE(page.ok);
    EXPECT_TRUE(page.amplifiers.rows.empty());
    EXPECT_TRUE(page.classes.empty());
    AmplifierList list;
    EXPECT_EQ(SearchAmplifiers(nobody, list).message, "搜索失败!");
}

}  // namespace
}  // namespace ostrand
