// Binding a temperature device to a terminal and changing a temperature
// device's address, against the simulator.

#include "ops/peripherals/tempera_binding.h"

#include <gtest/gtest.h>

#include "peripheral_sim.h"
#include "sim/behaviours/peripherals/peripheral_state.h"

namespace ostrand {
namespace {

using test::PeripheralSim;
using Json = nlohmann::json;

TEST(TemperaBinding, GetBindGetRoundTrip) {
    PeripheralSim sim(Json{{"boundTempera", {{"ip", "10.0.0.5"}}}});
    auto terminal = sim.Terminal();
    const auto before = GetBoundTempera(terminal);
    EXPECT_TRUE(before.ok);
    EXPECT_EQ(before.ip, "10.0.0.5");
    EXPECT_EQ(before.status, "获取成功");

    const auto bound = BindTemperaDevice(terminal, "10.0.0.7", "admin", "pw");
    EXPECT_TRUE(bound.ok);
    EXPECT_EQ(bound.status, "绑定成功");
    EXPECT_EQ(bound.bound.ip, "10.0.0.7");

    // An empty IP unbinds.
    EXPECT_TRUE(BindTemperaDevice(terminal, "", "", "").ok);
    EXPECT_EQ(GetBoundTempera(terminal).ip, "");
    EXPECT_TRUE(sim.Messages().Texts().empty());
}

TEST(TemperaBinding, RefusalsAndSilenceGiveTheFailureTexts) {
    PeripheralSim sim(Json{{"refuse", {{"7008", {"1", "2"}}}}});
    auto terminal = sim.Terminal();
    EXPECT_EQ(GetBoundTempera(terminal).status, "获取失败");
    EXPECT_EQ(BindTemperaDevice(terminal, "10.0.0.7", "u", "p").status, "操作失败");
    EXPECT_TRUE(sim.Messages().Texts().empty());  // refusals: the status bar only

    DeviceEndpoint nobody{"127.0.0.1", 1};
    EXPECT_EQ(GetBoundTempera(nobody).status, "获取失败");
    EXPECT_EQ(sim.Messages().Texts().size(), 1u);  // the channel's own message
}

TEST(TemperaBinding, AddressChangeRequestAndOutcomes) {
    EXPECT_EQ(SetTemperaIpRequest(""), (ParamMap{{"ip", ""}, {"dhcp", "1"}}));
    EXPECT_EQ(SetTemperaIpRequest("10.0.0.8"), (ParamMap{{"ip", "10.0.0.8"}, {"dhcp", "0"}}));

    PeripheralSim sim(nlohmann::json::object());
    auto tempera = sim.Tempera();
    const auto changed = SetTemperaIp(tempera, "10.0.0.8");
    EXPECT_TRUE(changed.ok);
    EXPECT_FALSE(changed.showMessage);
    EXPECT_EQ(changed.status, "操作成功，请稍候重新搜索...");
    EXPECT_EQ(sim::TemperaOf(sim.TemperaDevice())->ip, "10.0.0.8");

    EXPECT_TRUE(SetTemperaIp(tempera, "").ok);
    EXPECT_TRUE(sim::TemperaOf(sim.TemperaDevice())->dhcp);

    DeviceEndpoint nobody{"127.0.0.1", 1};
    const auto unreachable = SetTemperaIp(nobody, "10.0.0.8");
    EXPECT_EQ(unreachable.transport, kTransportConnectFailed);
    EXPECT_TRUE(unreachable.showMessage);
    EXPECT_FALSE(unreachable.status.empty());
}

TEST(TemperaBinding, DeviceRefusalShowsItsMessageOrTheFixedText) {
    PeripheralSim withText(Json::object(), Json{{"setIpRetcode", "10001"}, {"setIpMessage", "地址冲突"}});
    auto tempera = withText.Tempera();
    const auto refused = SetTemperaIp(tempera, "10.0.0.8");
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.showMessage);
    EXPECT_EQ(refused.status, "地址冲突");

    PeripheralSim silentText(Json::object(), Json{{"setIpRetcode", "10001"}});
    auto other = silentText.Tempera();
    EXPECT_EQ(SetTemperaIp(other, "10.0.0.8").status, "操作失败");
}

TEST(TemperaBinding, PortCellEnablesTheAddressChange) {
    EXPECT_EQ(TemperaPortFromCell(""), 0);
    EXPECT_EQ(TemperaPortFromCell("0"), 0);
    EXPECT_EQ(TemperaPortFromCell("8000"), 8000);
    EXPECT_EQ(TemperaPortFromCell("70000"), 0);
}

}  // namespace
}  // namespace ostrand
