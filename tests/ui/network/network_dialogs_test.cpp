// The network parameter, serial type, NTP and function switch dialogs driven
// against simulated devices: what they load, what a save sends, what the user
// is told, and a picture of each.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <string>
#include <vector>

#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "transport/transport_settings.h"
#include "ui/dialog_routes.h"
#include "ops/maintenance/ntp_servers.h"
#include "ui/maintenance/config_manager_dlg.h"
#include "ui/maintenance/set_com_type.h"
#include "ui/maintenance/set_ntp_server.h"
#include "ui/maintenance/video_cfg.h"

namespace ostrand {
namespace {

using Texts = std::vector<std::string>;

// A healthy device's faults with one switched on.
sim::FaultOptions Fault(bool sim::FaultOptions::*fault) {
    sim::FaultOptions faults;
    faults.*fault = true;
    return faults;
}

void Screenshot(QWidget& widget, const char* name) {
    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    widget.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name + ".png");
}

template <class T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

class NetworkDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }
    void TearDown() override {
        simulator_.Stop();
        SetUiLanguage(Language::Chinese);
    }

    sim::Device& Add(sim::DeviceKind kind, int host, nlohmann::json state = nlohmann::json::object()) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = kind;
        config.port = kind == sim::DeviceKind::Camera ? 80 : 0;
        config.state["network"] = std::move(state);
        return simulator_.AddDevice(std::move(config));
    }
    static DeviceEndpoint Endpoint(const sim::Device& device) { return {device.AddressText(), device.Port()}; }
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

TEST_F(NetworkDialogsTest, NetworkPageLoadsEditsAndSavesACamera) {
    auto& camera = Add(sim::DeviceKind::Camera, 1, {{"netparam", {{"AutoIp", "no"}, {"gateway", "127.0.0.1"}}}});
    simulator_.Start();
    CConfigManagerDLG dialog(camera.AddressText(), 80);
    dialog.show();
    QTRY_COMPARE(dialog.LoadsDone(), 1);
    EXPECT_EQ(dialog.windowTitle(), "网络参数设置");
    EXPECT_EQ(dialog.PageList()->item(0)->text(), "网络参数");
    auto* ip = Child<QLineEdit>(dialog, "ip");
    EXPECT_EQ(ip->text().toStdString(), camera.AddressText());
    EXPECT_TRUE(ip->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "mask")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "mac0")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(dialog, "selfBuilt")->isChecked());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "master")->isEnabled());
    Screenshot(dialog, "network_params");

    // Static IP off disables the address fields; on enables them again.
    auto* staticIp = Child<QCheckBox>(dialog, "staticIp");
    staticIp->setChecked(false);
    EXPECT_FALSE(ip->isEnabled());
    staticIp->setChecked(true);
    ip->setText("127.0.3.3");
    Child<QLineEdit>(dialog, "gateway")->setText("127.0.3.1");
    Child<QCheckBox>(dialog, "selfBuilt")->setChecked(true);
    EXPECT_TRUE(Child<QLineEdit>(dialog, "master")->isEnabled());

    // Bad master texts are refused before anything is sent.
    const int before = camera.CommandCount();
    auto* master = Child<QLineEdit>(dialog, "master");
    master->setText(QString(76, 'a'));
    dialog.SaveButton()->click();
    EXPECT_EQ(TakeTexts(), (Texts{"输入的主控服务器地址超过75个字符", "保存失败"}));
    master->setText("a.example.com;\xF0\x9F\x98\x80.cn");
    dialog.SaveButton()->click();
    EXPECT_EQ(TakeTexts(), (Texts{"输入的文字含有GBK无法表示的字符", "保存失败"}));
    EXPECT_EQ(camera.CommandCount(), before);
    EXPECT_TRUE(dialog.isVisible());

    master->setText("a.example.com;10.0.0.1");
    dialog.SaveButton()->click();
    EXPECT_EQ(TakeTexts(), Texts{"保存成功，设备即将重启"});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(FieldText(camera.Record().ip), "127.0.3.3");
}

TEST_F(NetworkDialogsTest, NetworkPageOfATerminalInEnglishAndOfASilentDevice) {
    SetUiLanguage(Language::English);
    auto& terminal = Add(sim::DeviceKind::Terminal, 2);
    simulator_.Start();
    {
        CConfigManagerDLG dialog(terminal.AddressText(), 60005);
        dialog.show();
        QTRY_COMPARE(dialog.LoadsDone(), 1);
        EXPECT_EQ(dialog.windowTitle(), "Set Network");
        EXPECT_EQ(dialog.SaveButton()->text(), "OK");
        EXPECT_FALSE(Child<QLineEdit>(dialog, "ip")->isEnabled());
        EXPECT_FALSE(Child<QCheckBox>(dialog, "staticIp")->isEnabled());
        Screenshot(dialog, "network_params_terminal_en");
        dialog.SaveButton()->click();
        EXPECT_EQ(TakeTexts(), Texts{"Save Succ"});
    }
    simulator_.SetFaults(terminal, Fault(&sim::FaultOptions::malformed));
    CConfigManagerDLG dialog(terminal.AddressText(), 60005);
    dialog.show();
    QTRY_COMPARE(dialog.LoadsDone(), 1);
    EXPECT_EQ(TakeTexts(), Texts{"解码失败"});
    Child<QCheckBox>(dialog, "selfBuilt")->setChecked(false);
    dialog.SaveButton()->click();
    EXPECT_EQ(TakeTexts(), (Texts{"解码失败", "Save Fail"}));
    EXPECT_TRUE(dialog.isVisible());
    dialog.CancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(NetworkDialogsTest, SerialTypeLoadsAndSaves) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 3, {{"setType", "0"}});
    simulator_.Start();
    CSetComType dialog(Endpoint(terminal));
    dialog.show();
    QTRY_VERIFY(dialog.Loaded());
    EXPECT_EQ(dialog.windowTitle(), "485串口配置");
    EXPECT_EQ(dialog.TypeList()->currentText(), "考勤机");
    Screenshot(dialog, "serial_type");
    dialog.TypeList()->setCurrentIndex(1);
    dialog.OkButton()->click();
    EXPECT_EQ(TakeTexts(), Texts{"设置成功,请重启设备！"});
    EXPECT_FALSE(dialog.isVisible());

    CSetComType again(Endpoint(terminal));
    again.show();
    QTRY_VERIFY(again.Loaded());
    EXPECT_EQ(again.TypeList()->currentText(), "云台");
}

TEST_F(NetworkDialogsTest, NtpDialogSendsOnlyStoredEdits) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 4, {{"ntp", {{"NtpServer2", "old.example.cn"}}}});
    simulator_.Start();
    CSetNtpServer dialog(Endpoint(terminal));
    dialog.show();
    QTRY_VERIFY(dialog.Loaded());
    EXPECT_EQ(dialog.ServerEdit()->text(), "pool.ntp.org");
    dialog.Entries()->setCurrentIndex(2);
    EXPECT_EQ(dialog.ServerEdit()->text(), "old.example.cn");
    dialog.ServerEdit()->setText("new.example.cn");
    dialog.ModifyButton()->click();
    dialog.Entries()->setCurrentIndex(3);
    dialog.ServerEdit()->setText("\xF0\x9F\x98\x80");  // not stored: GBK cannot hold it
    dialog.ModifyButton()->click();
    EXPECT_EQ(TakeTexts(), Texts{"输入的文字含有GBK无法表示的字符，未修改"});
    dialog.Entries()->setCurrentIndex(4);
    dialog.ServerEdit()->setText("typed.but.not.stored");
    Screenshot(dialog, "ntp_servers");
    dialog.OkButton()->click();
    EXPECT_EQ(TakeTexts(), Texts{"设置成功"});

    CSetNtpServer again(Endpoint(terminal));
    again.show();
    QTRY_VERIFY(again.Loaded());
    EXPECT_EQ(NtpEntryOf(again.Table(), 2).server, "new.example.cn");
    EXPECT_EQ(NtpEntryOf(again.Table(), 3).server, "");
    EXPECT_EQ(NtpEntryOf(again.Table(), 4).server, "");
}

TEST_F(NetworkDialogsTest, FunctionSwitchesReadAndSet) {
    auto& terminal = Add(sim::DeviceKind::Terminal, 5, {{"debuglog", "0"}, {"refuse", {{"7010", "busy"}}}});
    simulator_.Start();
    CVideoCfg dialog(Endpoint(terminal));
    dialog.show();
    EXPECT_FALSE(dialog.DebugOn()->isChecked() || dialog.DebugOff()->isChecked());
    EXPECT_FALSE(dialog.StreamOn()->isChecked() || dialog.StreamOff()->isChecked());
    dialog.DebugGet()->click();
    EXPECT_TRUE(dialog.DebugOff()->isChecked());
    Screenshot(dialog, "function_switches");
    dialog.DebugOn()->setChecked(true);
    dialog.DebugSet()->click();
    EXPECT_EQ(TakeTexts(), Texts{"busy"});
    EXPECT_TRUE(dialog.isVisible());
    dialog.StreamOff()->setChecked(true);
    dialog.StreamSet()->click();
    EXPECT_EQ(TakeTexts(), Texts{"设置成功!"});
    EXPECT_EQ(terminal.Setting("streamswitch"), "0");
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(NetworkDialogsTest, RoutesOpenTheDialogs) {
    const DialogRoutes& routes = AllDialogRoutes();
    for (CommandId id : {CommandId::NetworkParams, CommandId::SerialType, CommandId::NtpServer,
                         CommandId::FunctionSwitches}) {
        EXPECT_TRUE(routes.Has(id)) << static_cast<int>(id);
    }
}

}  // namespace
}  // namespace ostrand
