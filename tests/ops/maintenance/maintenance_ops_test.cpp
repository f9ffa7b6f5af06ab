// The maintenance operations against simulated devices: what reaches the
// device, what the next get and scan reply show, and the texts shown.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/device_identity.h"
#include "ops/maintenance/device_name.h"
#include "ops/maintenance/log_download.h"
#include "ops/maintenance/password.h"
#include "ops/maintenance/reboot.h"
#include "platform/app_state.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "../../sim/sim_test_support.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8).value(); }

class MaintenanceOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUiLanguage(Language::Chinese);
        block_ = sim::test::AddressBlock();
    }
    void TearDown() override { sim_.Stop(); }

    sim::Device& Add(sim::DeviceKind kind, int octet, std::uint16_t port = 0,
                     const std::function<void(sim::DeviceConfig&)>& adjust = {}) {
        sim::DeviceConfig config;
        config.address = block_ + std::to_string(octet);
        config.kind = kind;
        config.port = port;
        config.name = "old";
        config.deviceNumber = "100001";
        config.productModel = "QZ-1";
        if (adjust) adjust(config);
        return sim_.AddDevice(config);
    }
    CommandTarget Target(const sim::Device& device) { return CommandTarget(device.AddressText(), device.Port()); }

    std::string block_;
    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
};

TEST_F(MaintenanceOpsTest, RenameShowsInTheNextGetAndScanRecordOnBothChannels) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 1, 18081);
    sim::Device& terminal = Add(sim::DeviceKind::Terminal, 2);
    sim_.Start();
    for (sim::Device* device : {&camera, &terminal}) {
        CommandTarget target = Target(*device);
        const MaintenanceOutcome outcome = RenameDevice(target, Gbk("前台摄像机"));
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{"更新成功"});
        EXPECT_EQ(device->Setting("devname"), Gbk("前台摄像机"));
        const std::string recorded = FieldText(device->Record().deviceName);
        EXPECT_EQ(recorded, device == &terminal ? Gbk("前台摄像机") : "前台摄像机");
    }
    EXPECT_TRUE(sink_.Texts().empty());
}

TEST_F(MaintenanceOpsTest, RefusedInputSendsNothing) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 3, 18081);
    sim_.Start();
    CommandTarget target = Target(camera);
    for (const std::string& name : {std::string(31, 'n'), std::string(), std::string("a/b"), Gbk("乗")}) {
        const auto outcome = RenameDevice(target, name);
        EXPECT_FALSE(outcome.sent);
        EXPECT_EQ(outcome.result, kTransportBadParameter);
        ASSERT_EQ(outcome.messages.size(), 1u);
    }
    EXPECT_EQ(SetDeviceIdAndModel(target, "1234567", "QZ").messages,
              std::vector<std::string>{"新输入的设备编号长度不符，长度必须为6个字符，8个字符或者11个字符"});
    EXPECT_EQ(SetDeviceIdAndModel(target, "123456", std::string(31, 'm')).messages,
              std::vector<std::string>{"新输入的产品型号过长，请重新输入"});
    EXPECT_EQ(ChangePassword(target, PasswordMode::Hashed, "a", "Secret", "secret").messages,
              std::vector<std::string>{"两次新密码必须一致"});
    EXPECT_EQ(camera.CommandCount(), 0);
}

TEST_F(MaintenanceOpsTest, DeviceRefusalOfARenameIsAFailure) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 4, 18081, [](sim::DeviceConfig& config) {
        config.state["maintenance"] = {{"refuse", {{"modifyDevDevMaskMessage", "名称被锁定"}}}};
    });
    sim_.Start();
    CommandTarget target = Target(camera);
    const auto outcome = RenameDevice(target, "new");
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"更新失败\n名称被锁定"});
    EXPECT_EQ(FieldText(camera.Record().deviceName), "old");
}

TEST_F(MaintenanceOpsTest, ModelThenNumberAndTheirRefusals) {
    sim::Device& good = Add(sim::DeviceKind::Terminal, 5);
    sim::Device& modelRefused = Add(sim::DeviceKind::Terminal, 6, 0, [](sim::DeviceConfig& config) {
        config.replies["modifyProductModel"] = ParamMap{{"result", "10001"}};
    });
    sim::Device& numberRefused = Add(sim::DeviceKind::Camera, 7, 18081, [](sim::DeviceConfig& config) {
        config.state["maintenance"] = {{"refuse", {{"modifyDeviceNumber", "编号重复"}}}};
    });
    sim_.Start();

    CommandTarget target = Target(good);
    auto outcome = SetDeviceIdAndModel(target, "\t12345678\n", "QZ-200");
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"设置成功!"});
    EXPECT_EQ(FieldText(good.Record().deviceNumber), "12345678");
    EXPECT_EQ(FieldText(good.Record().productModel), "QZ-200");
    EXPECT_EQ(good.Setting("productModel"), "QZ-200");

    target = Target(modelRefused);
    outcome = SetDeviceIdAndModel(target, "123456", "QZ-300");
    EXPECT_EQ(outcome.messages, (std::vector<std::string>{"失败", "设置失败!"}));
    EXPECT_EQ(modelRefused.CommandCount(), 1);  // the number was not sent
    EXPECT_EQ(FieldText(modelRefused.Record().deviceNumber), "100001");

    target = Target(numberRefused);
    outcome = SetDeviceIdAndModel(target, "123456", "QZ-400");
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.messages, (std::vector<std::string>{"编号重复", "设置失败!"}));
    EXPECT_EQ(FieldText(numberRefused.Record().productModel), "QZ-400");  // the model stays changed
    EXPECT_EQ(FieldText(numberRefused.Record().deviceNumber), "100001");
}

TEST_F(MaintenanceOpsTest, PasswordIsCheckedKeptAndOnlyOkCounts) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 8, 18081, [](sim::DeviceConfig& config) {
        config.state["maintenance"] = {{"password", PasswordWireForm("admin")}};
    });
    sim::Device& plain = Add(sim::DeviceKind::Terminal, 9, 0, [](sim::DeviceConfig& config) {
        config.state["maintenance"] = {{"password", "admin"}};
    });
    sim::Device& tenThousand = Add(sim::DeviceKind::Camera, 10, 18081, [](sim::DeviceConfig& config) {
        config.replies["ModifyPasswd"] = ParamMap{{"result", "10000"}};
    });
    sim_.Start();

    CommandTarget target = Target(camera);
    EXPECT_EQ(ChangePassword(target, PasswordMode::Hashed, "admin", "", "").messages,
              std::vector<std::string>{"更新成功"});
    // The empty password is hashed too: the device now holds its digest.
    EXPECT_EQ(ChangePassword(target, PasswordMode::Hashed, "admin", "x", "x").messages,
              std::vector<std::string>{"更新失败"});
    EXPECT_TRUE(ChangePassword(target, PasswordMode::Hashed, "", "x", "x").succeeded);

    target = Target(plain);
    EXPECT_EQ(ChangePassword(target, PasswordMode::Plain, "admin", Gbk("新密码"), Gbk("新密码")).messages,
              std::vector<std::string>{"更新成功"});
    EXPECT_TRUE(ChangePassword(target, PasswordMode::Plain, Gbk("新密码"), "b", "b").succeeded);

    target = Target(tenThousand);
    EXPECT_EQ(ChangePassword(target, PasswordMode::Hashed, "a", "b", "b").messages,
              std::vector<std::string>{"更新失败"});
}

TEST_F(MaintenanceOpsTest, RebootOverBothChannels) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 11, 18081);
    sim::Device& terminal = Add(sim::DeviceKind::Terminal, 12);
    sim_.Start();
    for (sim::Device* device : {&camera, &terminal}) {
        CommandTarget target = Target(*device);
        const auto outcome = RebootDevice(target);
        EXPECT_TRUE(outcome.succeeded);
        EXPECT_EQ(outcome.messages, std::vector<std::string>{"设备重启中，大概在一分钟以内将连接上"});
    }
    // Over TCP the exchange has ended; over HTTP the request was not awaited.
    EXPECT_EQ(terminal.Setting("rebootCount"), "1");
    const auto end = std::chrono::steady_clock::now() + 3s;
    while (camera.Setting("rebootCount") != "1" && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(camera.Setting("rebootCount"), "1");
}

TEST_F(MaintenanceOpsTest, ClockOnlyOnPortEightyWithThePcsLocalTime) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 13, 80);
    sim::Device& other = Add(sim::DeviceKind::Camera, 14, 8080);
    sim::Device& terminal = Add(sim::DeviceKind::Terminal, 15);
    sim_.Start();
    ManualClock clock;
    clock.SetWallNow(std::chrono::system_clock::now());
    ScopedClock clockGuard(clock);
    for (sim::Device* device : {&other, &terminal}) {
        CommandTarget target = Target(*device);
        EXPECT_EQ(SyncPcTime(target).messages, std::vector<std::string>{"该设备不支持该功能"});
        EXPECT_EQ(device->CommandCount(), 0);
    }
    CommandTarget target = Target(camera);
    const auto outcome = SyncPcTime(target);
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"时间更新成功"});
    const ParamMap expected = ClockRequest(clock.WallNow());
    for (const auto& [key, value] : expected) EXPECT_EQ(camera.Setting(key), value) << key;
}

TEST_F(MaintenanceOpsTest, GarbageOrSilenceGivesTheFailureTextWithinTheWaits) {
    sim::Device& garbage = Add(sim::DeviceKind::Terminal, 16, 0, [](sim::DeviceConfig& config) {
        config.faults.malformed = true;
    });
    sim::Device& silent = Add(sim::DeviceKind::Camera, 17, 80, [](sim::DeviceConfig& config) {
        config.faults.silent = true;
    });
    sim::Device& garbageHttp = Add(sim::DeviceKind::Camera, 18, 18081, [](sim::DeviceConfig& config) {
        config.faults.malformed = true;
    });
    sim_.Start();
    const auto start = std::chrono::steady_clock::now();
    CommandTarget target = Target(garbage);
    EXPECT_EQ(RenameDevice(target, "x").messages, std::vector<std::string>{"更新失败"});
    EXPECT_FALSE(RebootDevice(target).succeeded);
    EXPECT_EQ(SetDeviceIdAndModel(target, "123456", "m").messages.back(), "设置失败!");
    EXPECT_FALSE(ChangePassword(target, PasswordMode::Hashed, "a", "b", "b").succeeded);
    target = Target(silent);
    EXPECT_EQ(SyncPcTime(target).messages, std::vector<std::string>{"时间更新失败"});
    target = Target(garbageHttp);
    EXPECT_EQ(RenameDevice(target, "x").messages, std::vector<std::string>{"更新失败"});
    EXPECT_EQ(SetDeviceIdAndModel(target, "123456", "m").messages.back(), "设置失败!");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

TEST_F(MaintenanceOpsTest, LogDownloadWritesTheArchiveOrNothing) {
    sim::Device& camera = Add(sim::DeviceKind::Camera, 19, 18081);
    sim::Device& noTar = Add(sim::DeviceKind::Camera, 20, 18081, [](sim::DeviceConfig& config) {
        config.faults.downloadFailure = sim::DownloadFailure::NoTarGzip;
    });
    sim::Device& busy = Add(sim::DeviceKind::Terminal, 21, 0, [](sim::DeviceConfig& config) {
        config.faults.exportStatus = 2;
    });
    sim_.Start();
    const fs::path dir = fs::temp_directory_path() / ("maint_log_" + std::to_string(getpid()));
    fs::create_directories(dir);

    CommandTarget target = Target(camera);
    const fs::path saved = WithLogArchiveEnding(dir / "devlog");
    EXPECT_EQ(DownloadDeviceLog(target, saved).messages, std::vector<std::string>{"下载成功"});
    EXPECT_EQ(sim::test::FileBytes(saved), camera.LogArchive());

    sink_.Clear();
    target = Target(noTar);
    EXPECT_EQ(DownloadDeviceLog(target, dir / "b.tar.gz").messages, std::vector<std::string>{"下载失败"});
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"该设备不支持tar或gzip指令，无法上传日志"});
    EXPECT_FALSE(fs::exists(dir / "b.tar.gz"));

    sink_.Clear();
    target = Target(busy);
    EXPECT_FALSE(DownloadDeviceLog(target, dir / "c.tar.gz").succeeded);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Other User is Exporting, Please waiting..."});
    EXPECT_FALSE(fs::exists(dir / "c.tar.gz"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand
