// The attendance operations against a simulated terminal: what a set stores
// the next get returns, refusals and faults reach the user as the terminal's
// texts, and replies with missing or odd values do no harm.

#include <gtest/gtest.h>

#include "../../sim/sim_test_support.h"
#include "ops/attendance/attend_periods.h"
#include "ops/attendance/card_params.h"
#include "ops/attendance/device_bindings.h"
#include "ops/attendance/server_settings.h"
#include "ops/attendance/terminal_params.h"
#include "sim/simulator.h"

namespace ostrand {
namespace {

using Status = TerminalOutcome::Status;

class AttendanceOpsTest : public ::testing::Test {
protected:
    DeviceEndpoint AddTerminal(int host, nlohmann::json state = nlohmann::json::object(),
                               std::map<std::string, ParamMap> replies = {}) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = sim::DeviceKind::Terminal;
        config.state["attendance"] = std::move(state);
        config.replies = std::move(replies);
        sim::Device& device = sim_.AddDevice(config);
        return {device.AddressText(), device.Port()};
    }
    void SetUp() override { sim_.Start(); }
    void TearDown() override { sim_.Stop(); }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
};

TEST_F(AttendanceOpsTest, SettingsGroupsRoundTrip) {
    const DeviceEndpoint terminal = AddTerminal(1);
    EXPECT_TRUE(WriteDoorAlarm(terminal, {false, "12"}).Succeeded());
    const DoorAlarmRead door = ReadDoorAlarm(terminal);
    EXPECT_FALSE(door.values.alarmOn);
    EXPECT_EQ(door.values.unlockTime, "12");

    const TerminalOutcome gate = WriteGateChannels(
        terminal, {GateChannel{true, false}, GateChannel{false, false}, GateChannel{true, true},
                   GateChannel{false, true}});
    EXPECT_EQ(gate.messages, std::vector<std::string>{"设置成功"});
    const GateChannelsRead channels = ReadGateChannels(terminal);
    ASSERT_EQ(channels.channels.size(), 4u);
    EXPECT_TRUE(channels.channels[0].outbound);
    EXPECT_FALSE(channels.channels[0].announce);
    EXPECT_TRUE(channels.channels[1].announce);
    EXPECT_TRUE(channels.outcome.messages.empty());

    EXPECT_TRUE(WriteFaceMode(terminal, false).Succeeded());
    EXPECT_EQ(ReadFaceMode(terminal).mode, 2);
    EXPECT_TRUE(WriteSpeakerRepeat(terminal, "3").Succeeded());
    EXPECT_EQ(ReadSpeakerRepeat(terminal).entry, 2);
    EXPECT_TRUE(WriteFaceInterval(terminal, "100").Succeeded());
    EXPECT_EQ(ReadFaceInterval(terminal).interval, "100");
    EXPECT_TRUE(SetGateAddress(terminal, "1", "7").address == std::optional<std::string>("7"));
    EXPECT_EQ(GetGateAddress(terminal).address, std::optional<std::string>("7"));

    EXPECT_TRUE(WriteAttendServer(terminal, {"10.0.0.9", "8080", true}).Succeeded());
    const AttendServerRead server = ReadAttendServer(terminal);
    EXPECT_EQ(server.values.ip, "10.0.0.9");
    EXPECT_TRUE(server.values.selfRun);
    EXPECT_TRUE(WriteAttendServer(terminal, {"10.0.0.9", "8080", false}).Succeeded());
    EXPECT_FALSE(ReadAttendServer(terminal).values.selfRun);

    PeriodTable table;
    table[3] = {2, "17:00", "18:30"};
    EXPECT_EQ(WritePeriods(terminal, table).messages, std::vector<std::string>{"设置成功!"});
    EXPECT_EQ(ReadPeriods(terminal).table[3], (AttendPeriod{2, "17:00", "18:30"}));

    EXPECT_TRUE(WriteCardParams(terminal, {"12ab", "30"}).Succeeded());
    EXPECT_EQ(ReadCardParams(terminal).values.readCount, "12ab");
}

TEST_F(AttendanceOpsTest, RefusalsShowTheTerminalsTextOrTheFallback) {
    const DeviceEndpoint terminal = AddTerminal(2, nlohmann::json::object(),
        {{"7000", {{"result", "10001"}, {"errmsg", "\xcd\xa8\xb5\xc0\xb4\xed"}}},  // GBK "通道错"
         {"7014", {{"result", "10002"}}},
         {"5021", {{"result", "10001"}}},
         {"5038", {{"result", "9"}}}});
    EXPECT_EQ(ReadGateChannels(terminal).outcome.messages, std::vector<std::string>{"通道错"});
    const TerminalOutcome interval = WriteFaceInterval(terminal, "5");
    EXPECT_EQ(interval.status, Status::DeviceRefused);
    EXPECT_EQ(interval.messages, std::vector<std::string>{"设置失败"});
    EXPECT_EQ(WriteDoorAlarm(terminal, {true, "3"}).messages, std::vector<std::string>{"设置失败"});
    EXPECT_EQ(WritePhotoIpcServer(terminal, "10.1.1.1").messages, std::vector<std::string>{"设置失败"});
    // A refused check sends nothing.
    EXPECT_EQ(WriteFaceInterval(terminal, "128").status, Status::Refused);
    EXPECT_EQ(WriteAttendServer(terminal, {std::string(31, '1'), "", true}).messages,
              std::vector<std::string>{"输入的IP太长，请重新输入"});
    EXPECT_EQ(WriteAttendServer(terminal, {std::string(30, '1'), "", true}).status, Status::Done);
}

TEST_F(AttendanceOpsTest, MissingKeysAndOddNumbersAreHarmless) {
    const DeviceEndpoint terminal = AddTerminal(3,
        {{"gate.inoutlist", "1,0,1,1,0,1,"}, {"gate.soundlist", "x,1,"}, {"mode", "3"},
         {"repeatTime", "9"}, {"omit", {{"5022", {"AlarmType", "UnlockTime"}}, {"7004", {"inoutlist"}}}}});
    const DoorAlarmRead door = ReadDoorAlarm(terminal);
    EXPECT_TRUE(door.values.alarmOn);
    EXPECT_EQ(door.values.unlockTime, "");
    const GateChannelsRead gate = ReadGateChannels(terminal);
    ASSERT_EQ(gate.channels.size(), 2u);  // the shorter list decides
    EXPECT_FALSE(gate.channels[0].announce);
    EXPECT_TRUE(ReadFaceChannels(terminal).outbound.empty());
    const FaceModeRead mode = ReadFaceMode(terminal);
    EXPECT_TRUE(mode.outcome.Succeeded());
    EXPECT_EQ(mode.mode, 3);
    EXPECT_EQ(ReadSpeakerRepeat(terminal).entry, -1);
}

TEST_F(AttendanceOpsTest, TransportFailureShowsItsText) {
    const DeviceEndpoint silent{sim::test::AddressBlock() + "99", 60005};  // nobody listens
    const DoorAlarmRead door = ReadDoorAlarm(silent);
    EXPECT_EQ(door.outcome.status, Status::TransportFailed);
    EXPECT_EQ(door.outcome.messages, std::vector<std::string>{"连接服务失败"});
    EXPECT_EQ(WriteDoorAlarm(silent, {true, "1"}).messages,
              (std::vector<std::string>{"连接服务失败", "设置失败"}));
    EXPECT_EQ(GetGateAddress(silent).outcome.messages,
              (std::vector<std::string>{"连接服务失败", "获取超时"}));
    EXPECT_EQ(ReadPeriods(silent).table, PeriodTable{});
}

TEST_F(AttendanceOpsTest, BindingsAndVisitors) {
    const DeviceEndpoint terminal = AddTerminal(4,
        {{"knownIpcs", {"C1", "C2", "C3"}}, {"boundElsewhere", {"C3"}},
         {"visitors", {{{"devicecode", "V1"}, {"ip", "10.0.0.21"}, {"bind", 1}},
                       {{"devicecode", "V2"}, {"ip", "10.0.0.22"}, {"bind", 0}}}}});
    EXPECT_EQ(WriteBindings(terminal, kBindPhotoIpcCode, {"C1", "", "C1", ""}, "T1").messages,
              std::vector<std::string>{"设置成功!"});
    EXPECT_EQ(ReadBindings(terminal, kBindPhotoIpcCode).channels[2], "C1");
    EXPECT_EQ(WriteBindings(terminal, kBindPhotoIpcCode, {"C9", "C3", "", ""}, "T1").messages,
              std::vector<std::string>{"通道1:非法,通道2:已绑定,请重新设置!"});
    EXPECT_EQ(ReadBindings(terminal, kBindPhotoIpcCode).channels[0], "C1");  // nothing half-saved

    const VisitorSearch before = SearchVisitors(terminal, "V6.8.233");
    ASSERT_EQ(before.rows.size(), 2u);
    EXPECT_TRUE(before.rows[0].bound);
    EXPECT_EQ(before.rows[1].ip, "10.0.0.22");
    EXPECT_TRUE(BindVisitors(terminal, "V6.8.233", {"V2"}).Succeeded());
    const VisitorSearch after = SearchVisitors(terminal, "V6.8.233");
    EXPECT_FALSE(after.rows[0].bound);
    EXPECT_TRUE(after.rows[1].bound);
    EXPECT_EQ(BindVisitors(terminal, "V6.8.233", {"V7"}).messages, std::vector<std::string>{"访客机不存在"});
    EXPECT_EQ(SearchVisitors(terminal, "V6.8.232").outcome.status, Status::Refused);

    // A search reply with fewer "bind" and "ip" entries than machines.
    const DeviceEndpoint sparse = AddTerminal(5,
        {{"visitors", {{{"devicecode", "V1"}, {"ip", "10.0.0.21"}, {"bind", 1}}}}, {"omit", {{"7003", {"bind", "ip"}}}}});
    const VisitorSearch rows = SearchVisitors(sparse, "6.8.300");
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_FALSE(rows.rows[0].hasBinding);
    EXPECT_EQ(rows.rows[0].ip, "");
}

}  // namespace
}  // namespace ostrand
