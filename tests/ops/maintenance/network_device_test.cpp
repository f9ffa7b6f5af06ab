// The network page, serial type, NTP table and function switches against
// devices of the simulator: what a set stores the next get returns, what the
// user is told, and what a device that refuses, answers garbage or stays
// silent leads to.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../../sim/sim_test_support.h"
#include "ops/maintenance/function_switches.h"
#include "ops/maintenance/network_params.h"
#include "ops/maintenance/ntp_servers.h"
#include "ops/maintenance/serial_type.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"

namespace ostrand {
namespace {

using Texts = std::vector<std::string>;

// A healthy device's faults with one switched on.
sim::FaultOptions Fault(bool sim::FaultOptions::*fault) {
    sim::FaultOptions faults;
    faults.*fault = true;
    return faults;
}

class NetworkDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }

    sim::Device& Add(sim::DeviceKind kind, int host, nlohmann::json state = nlohmann::json::object()) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = kind;
        config.port = kind == sim::DeviceKind::Camera ? 80 : 0;
        config.state["network"] = std::move(state);
        return simulator_.AddDevice(std::move(config));
    }
    DeviceEndpoint Endpoint(const sim::Device& device) { return {device.AddressText(), device.Port()}; }
    Texts TakeTexts() {
        Texts texts = sink_.Texts();
        sink_.Clear();
        return texts;
    }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator simulator_;
    RecordingMessageSink sink_;
    ScopedMessageSink scope_{sink_};
};

TEST_F(NetworkDeviceTest, CameraPageRoundTripReachesTheNextGetAndTheScanRecord) {
    auto& camera = Add(sim::DeviceKind::Camera, 1, {{"netparam", {{"AutoIp", "no"}}}});
    simulator_.Start();
    CommandTarget target(camera.AddressText(), 80);
    NetPageFields fields;
    ASSERT_EQ(LoadNetworkPage(target, fields), kTransportOk);
    EXPECT_TRUE(fields.staticIp);
    EXPECT_EQ(fields.ip, camera.AddressText());

    fields.ip = "127.0.9.9";
    fields.gateway = "127.0.9.1";
    fields.mac[5] = "5F";
    SetSelfBuilt(fields, true);
    fields.master = "a.example.com;10.0.0.1";
    fields.masterPort = "9000";
    EXPECT_EQ(SaveNetworkPage(target, fields), kTransportOk);
    EXPECT_EQ(TakeTexts(), Texts{"保存成功，设备即将重启"});

    NetPageFields again;
    ASSERT_EQ(LoadNetworkPage(target, again), kTransportOk);
    EXPECT_EQ(again.ip, "127.0.9.9");
    EXPECT_EQ(again.master, "a.example.com;10.0.0.1");
    EXPECT_EQ(again.masterPort, "9000");
    EXPECT_EQ(again.mac[5], "5F");
    const DeviceRecord record = camera.Record();
    EXPECT_EQ(FieldText(record.ip), "127.0.9.9");
    EXPECT_EQ(FieldText(record.gateway), "127.0.9.1");
    EXPECT_EQ(FieldText(record.mac).substr(10), "5F");
}

TEST_F(NetworkDeviceTest, TerminalPageTravelsOverTcpWithTheFourKeys) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 2);
    simulator_.Start();
    CommandTarget target(terminal.AddressText(), 60005);
    NetPageFields fields;
    ASSERT_EQ(LoadNetworkPage(target, fields), kTransportOk);
    EXPECT_FALSE(fields.selfBuilt);
    EXPECT_EQ(SaveNetworkPage(target, fields), kTransportOk);
    EXPECT_EQ(TakeTexts(), Texts{"保存成功"});
    // The address the terminal reported is unchanged: only the four keys went.
    EXPECT_EQ(FieldText(terminal.Record().ip), terminal.AddressText());
}

TEST_F(NetworkDeviceTest, FailuresOfThePageAreShownAndNothingIsSentForBadFields) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 3);
    simulator_.Start();
    CommandTarget target(terminal.AddressText(), 60005);
    NetPageFields fields;
    SetSelfBuilt(fields, true);
    fields.master = std::string(76, 'a');
    const int before = terminal.CommandCount();
    EXPECT_EQ(SaveNetworkPage(target, fields), kTransportBadParameter);
    EXPECT_EQ(TakeTexts(), (Texts{"输入的主控服务器地址超过75个字符", "保存失败"}));
    EXPECT_EQ(terminal.CommandCount(), before);

    for (const sim::FaultOptions& fault : {Fault(&sim::FaultOptions::silent), Fault(&sim::FaultOptions::malformed)}) {
        simulator_.SetFaults(terminal, fault);
        NetPageFields loaded;
        EXPECT_NE(LoadNetworkPage(target, loaded), kTransportOk);
        EXPECT_TRUE(loaded.selfBuilt);  // an empty reply leaves the switch on
        SetSelfBuilt(loaded, false);
        EXPECT_NE(SaveNetworkPage(target, loaded), kTransportOk);
        const Texts texts = TakeTexts();
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0], texts[1]);  // the transport's text, on load and on save
        EXPECT_EQ(texts[2], "保存失败");
    }
    simulator_.SetFaults(terminal, Fault(&sim::FaultOptions::refuse));
    NetPageFields loaded;
    EXPECT_EQ(LoadNetworkPage(target, loaded), kTransportConnectFailed);
    EXPECT_EQ(TakeTexts(), Texts{"连接服务失败"});
}

TEST_F(NetworkDeviceTest, SerialTypeAndNtpTableAreStoredAndReported) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 4, {{"setType", "0"}, {"refuse", {{"5026", ""}}}});
    auto& other = Add(sim::DeviceKind::Terminal, 5, {{"ntp", {{"NtpServer2", "ntp.example.cn"}}}});
    simulator_.Start();
    DeviceEndpoint endpoint = Endpoint(terminal);
    EXPECT_EQ(LoadSerialType(endpoint).index, kSerialTypeAttendance);
    EXPECT_TRUE(SaveSerialType(endpoint, kSerialTypePtz));
    EXPECT_EQ(LoadSerialType(endpoint).index, kSerialTypePtz);
    EXPECT_FALSE(SaveSerialType(endpoint, -1));
    EXPECT_EQ(TakeTexts(), (Texts{"设置成功,请重启设备！", "设置失败"}));

    DeviceEndpoint otherEndpoint = Endpoint(other);
    ParamMap table;
    ASSERT_TRUE(LoadNtpTable(otherEndpoint, table));
    EXPECT_EQ(table.at("result"), "10000");  // kept and sent back
    EXPECT_EQ(NtpEntryOf(table, 2), (NtpEntry{"ntp.example.cn", "123"}));
    StoreNtpEntry(table, 2, {"10.0.0.5", "1123"});
    EXPECT_TRUE(SaveNtpTable(otherEndpoint, table));
    ParamMap reread;
    ASSERT_TRUE(LoadNtpTable(otherEndpoint, reread));
    EXPECT_EQ(NtpEntryOf(reread, 2), (NtpEntry{"10.0.0.5", "1123"}));
    EXPECT_EQ(NtpEntryOf(reread, 0), NtpEntryOf(table, 0));
    EXPECT_EQ(NtpEntryOf(reread, 7), NtpEntry{});

    EXPECT_FALSE(SaveNtpTable(endpoint, table));  // refused by the fleet file
    EXPECT_EQ(TakeTexts(), (Texts{"设置成功", "设置失败"}));

    simulator_.SetFaults(terminal, Fault(&sim::FaultOptions::malformed));
    EXPECT_EQ(LoadSerialType(endpoint).index, kSerialTypePtz);
    EXPECT_FALSE(LoadNtpTable(endpoint, table));
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(TakeTexts(), (Texts{"xml data is Err", "xml data is Err"}));
}

TEST_F(NetworkDeviceTest, FunctionSwitchesShowTheDevicesAnswers) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 6, {{"debuglog", "1"}});
    auto& refusing = Add(sim::DeviceKind::Terminal, 7, {{"refuse", {{"7009", ""}, {"7010", "日志已锁定"}}}});
    simulator_.Start();
    DeviceEndpoint endpoint = Endpoint(terminal);
    EXPECT_TRUE(SetStreamSwitch(endpoint, SwitchChoice::None).ok);
    EXPECT_EQ(terminal.Setting("streamswitch"), "1");
    EXPECT_TRUE(SetStreamSwitch(endpoint, SwitchChoice::Off).ok);
    EXPECT_EQ(terminal.Setting("streamswitch"), "0");
    EXPECT_EQ(ReadDebugLog(endpoint).choice, SwitchChoice::On);
    EXPECT_TRUE(WriteDebugLog(endpoint, SwitchChoice::Off).ok);
    EXPECT_EQ(ReadDebugLog(endpoint).choice, SwitchChoice::Off);
    EXPECT_EQ(TakeTexts(), (Texts{"设置成功!", "设置成功!", "设置成功"}));

    DeviceEndpoint refused = Endpoint(refusing);
    const DebugLogState read = ReadDebugLog(refused);
    EXPECT_TRUE(read.outcome.exchanged);
    EXPECT_FALSE(read.outcome.ok);
    EXPECT_EQ(read.choice, SwitchChoice::None);
    EXPECT_FALSE(WriteDebugLog(refused, SwitchChoice::On).ok);
    EXPECT_EQ(TakeTexts(), (Texts{"获取失败", "日志已锁定"}));

    simulator_.SetFaults(terminal, Fault(&sim::FaultOptions::silent));
    EXPECT_FALSE(SetStreamSwitch(endpoint, SwitchChoice::On).exchanged);
    EXPECT_FALSE(WriteDebugLog(endpoint, SwitchChoice::On).exchanged);
    EXPECT_EQ(TakeTexts(), (Texts{"Recv Data Timeout！", "设置失败!", "Recv Data Timeout！"}));
}

}  // namespace
}  // namespace ostrand
