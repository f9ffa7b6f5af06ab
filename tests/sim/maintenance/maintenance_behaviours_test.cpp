// The simulated devices' maintenance commands, called the way the channels
// call them: the refusals the fleet file or bad values ask for leave the
// device as it was. (What the commands change is tested through the
// operations in tests/ops/maintenance.)

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "sim/command_handler.h"
#include "sim/device.h"

namespace ostrand::sim {
namespace {

Device MakeDevice(DeviceKind kind, nlohmann::json maintenance = nlohmann::json::object()) {
    DeviceConfig config;
    config.address = "127.0.0.9";
    config.kind = kind;
    config.name = "old";
    config.deviceNumber = "100001";
    config.productModel = "QZ-1";
    config.state["maintenance"] = std::move(maintenance);
    return Device(config);
}

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8).value(); }

TEST(MaintenanceBehaviours, RefusalsLeaveTheDeviceAsItWas) {
    Device device = MakeDevice(DeviceKind::Camera, {{"refuse", {{"modifyProductModel", "型号锁定"}}}});
    struct Case {
        const char* command;
        ParamMap request;
        std::string errmsg;
    };
    const Case cases[] = {
        {"modifyProductModel", {{"productver", "QZ-2"}}, Gbk("型号锁定")},
        {"modifyDeviceNumber", {{"newDeviceNumber", std::string(16, '1')}}, "bad device number"},
        {"modifyDevDevMaskMessage", {{"newDevMaskMessage", ""}}, "bad device name"},
        {"setDate", {{"year", "2024"}, {"mon", "13"}, {"day", "1"}, {"hour", "0"}, {"min", "0"}, {"sec", "0"}},
         "bad mon"},
        {"setDate", {{"year", "2024"}}, "bad mon"},
        {"ModifyPasswd", {{"oldpasswd", "a"}, {"newpasswd", "b"}, {"repeatpasswd", "c"}}, "passwords differ"},
    };
    for (const Case& c : cases) {
        const ParamMap reply = HandleCommand(device, c.command, 0, c.request);
        EXPECT_EQ(reply.at("result"), "10001") << c.command;
        EXPECT_EQ(reply.at("errmsg"), c.errmsg) << c.command;
    }
    EXPECT_EQ(FieldText(device.Record().productModel), "QZ-1");
    EXPECT_EQ(FieldText(device.Record().deviceNumber), "100001");
    EXPECT_EQ(device.Setting("mon"), "");
}

TEST(MaintenanceBehaviours, MalformedStartingStateIsAnsweredNotThrown) {
    for (const nlohmann::json& state : {nlohmann::json{{"password", 5}}, nlohmann::json{{"refuse", "all"}},
                                        nlohmann::json{{"unknown", true}}, nlohmann::json::array()}) {
        Device device = MakeDevice(DeviceKind::Camera, state);
        const ParamMap reply = HandleCommand(device, "httpRestart", 0, {});
        EXPECT_EQ(reply.at("result"), "10001") << state.dump();
        EXPECT_NE(reply.at("errmsg").find("maintenance state"), std::string::npos) << state.dump();
    }
}

}  // namespace
}  // namespace ostrand::sim
