// The terminal settings and server dialogs: what they load, what an edit
// sends, and what they show.

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "dialog_test_support.h"
#include "ops/attendance/server_settings.h"
#include "ops/attendance/terminal_params.h"
#include "ui/attendance/cattend_alarm.h"
#include "ui/attendance/cattend_server_info.h"
#include "ui/attendance/cphoto_ipc_server.h"

namespace ostrand::test {
namespace {

using AttendAlarmTest = TerminalDialogTest;

TEST_F(AttendAlarmTest, LoadsEditsAndSavesEachGroup) {
    sim::Device& device = AddTerminal(1, {{"AlarmType", "0"}, {"UnlockTime", "30"},
                                          {"gate.inoutlist", "1,0,0,0,"}, {"gate.soundlist", "0,1,"}});
    CAttendAlarm dialog(At(device));
    dialog.Load();
    EXPECT_EQ(dialog.Find<QComboBox>(1253)->currentText(), "关");
    EXPECT_EQ(dialog.Find<QLineEdit>(1257)->text(), "30");
    for (int id : {1345, 1368, 1370, 1372, 1375}) EXPECT_FALSE(dialog.Find<QPushButton>(id)->isEnabled()) << id;

    // Gate channels: the shorter list fixes channels 1 and 2 only.
    dialog.Find<QPushButton>(1344)->click();
    EXPECT_TRUE(dialog.Find<QRadioButton>(1342)->isChecked());
    EXPECT_FALSE(dialog.Find<QCheckBox>(1343)->isChecked());
    EXPECT_TRUE(dialog.Find<QRadioButton>(1346)->isChecked());
    EXPECT_FALSE(dialog.Find<QCheckBox>(1348)->isEnabled());
    EXPECT_TRUE(dialog.Find<QPushButton>(1345)->isEnabled());
    // Channel 3 outbound without a tick, channel 4 inbound: it announces.
    dialog.Find<QRadioButton>(1350)->click();
    dialog.Find<QCheckBox>(1351)->setChecked(false);
    dialog.Find<QRadioButton>(1352)->click();
    EXPECT_TRUE(dialog.Find<QCheckBox>(1354)->isChecked());
    dialog.Find<QPushButton>(1345)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(ReadGateChannels(At(device)).channels.size(), 4u);

    // Interval: the typed value is checked before anything is sent.
    Type(dialog.Find<QLineEdit>(1373), "128");
    dialog.Find<QPushButton>(1375)->click();
    EXPECT_EQ(TakeMessages(), Messages{"输入时间间隔有误,参数范围需在0-127内"});
    Type(dialog.Find<QLineEdit>(1373), "12");
    dialog.Find<QPushButton>(1375)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(ReadFaceInterval(At(device)).interval, "12");

    // Gate controller address.
    Type(dialog.Find<QLineEdit>(1305), "8");
    dialog.Find<QPushButton>(1275)->click();
    EXPECT_EQ(TakeMessages(), Messages{"输入有误,参数范围需在0-7内"});
    Type(dialog.Find<QLineEdit>(1305), "7");
    dialog.Find<QPushButton>(1275)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(dialog.Find<QLineEdit>(1304)->text(), "7");

    Screenshot(dialog, "attendance-terminal-parameters.png");

    // The door group: a refusal keeps the dialog open, a send closes it.
    Type(dialog.Find<QLineEdit>(1257), "255");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"输入开锁时间有误,参数范围需在0-254内"});
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog.Find<QLineEdit>(1257), "abc");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadDoorAlarm(At(device)).values.unlockTime, "abc");
}

TEST_F(AttendAlarmTest, RefusalsAndOddRepliesKeepTheControlsSane) {
    sim::Device& device = AddTerminal(2, {{"mode", "3"}, {"repeatTime", "5"}, {"face.inoutlist", ""}},
                                      {{"7000", {{"result", "10001"}}}});
    CAttendAlarm dialog(At(device));
    dialog.Load();
    dialog.Find<QPushButton>(1344)->click();
    EXPECT_EQ(TakeMessages(), Messages{"获取失败"});
    EXPECT_FALSE(dialog.Find<QPushButton>(1345)->isEnabled());
    dialog.Find<QPushButton>(1367)->click();
    EXPECT_FALSE(dialog.Find<QPushButton>(1368)->isEnabled());
    dialog.Find<QPushButton>(1369)->click();
    EXPECT_FALSE(dialog.Find<QRadioButton>(1357)->isChecked());
    EXPECT_FALSE(dialog.Find<QRadioButton>(1360)->isChecked());
    EXPECT_TRUE(dialog.Find<QPushButton>(1370)->isEnabled());
    dialog.Find<QPushButton>(1371)->click();
    EXPECT_EQ(dialog.Find<QComboBox>(1366)->currentIndex(), -1);
    EXPECT_TRUE(TakeMessages().empty());

    // Text GBK cannot hold is refused before anything is sent.
    const int before = device.CommandCount();
    Type(dialog.Find<QLineEdit>(1257), QString::fromUtf8("\xF0\x9F\x98\x80"));
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"输入的内容含有无法发送的字符，请重新输入"});
    EXPECT_EQ(device.CommandCount(), before);
}

using AttendServerTest = TerminalDialogTest;

TEST_F(AttendServerTest, NoServerOpensClearAndTickingEnablesTheEdits) {
    sim::Device& device = AddTerminal(3, {{"AttendIp", "0.0.0.0"}});
    CAttendServerInfo dialog(At(device));
    dialog.Load();
    auto* box = dialog.Find<QCheckBox>(1278);
    auto* ip = dialog.Find<QLineEdit>(1254);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(ip->isEnabled());
    box->click();
    EXPECT_TRUE(ip->isEnabled());
    Type(ip, QString(31, '1'));
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"输入的IP太长，请重新输入"});
    Type(ip, "192.168.1.20");
    Type(dialog.Find<QLineEdit>(1029), "9000");
    Screenshot(dialog, "attendance-server.png");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadAttendServer(At(device)).values.port, "9000");

    // A missing "AttendIp" opens with the box ticked.
    sim::Device& bare = AddTerminal(4, {{"omit", {{"5020", {"AttendIp", "AttendPort"}}}}});
    CAttendServerInfo second(At(bare));
    second.Load();
    EXPECT_TRUE(second.Find<QCheckBox>(1278)->isChecked());
    EXPECT_TRUE(second.Find<QLineEdit>(1254)->text().isEmpty());
}

TEST_F(AttendServerTest, CaptureServerNeedsAnAddressAndTheDevicesConsent) {
    sim::Device& device = AddTerminal(5, {{"AttendClientIp", "10.0.0.5"}});
    CPhotoIpcServer dialog(At(device));
    dialog.Load();
    auto* ip = dialog.Find<QLineEdit>(1295);
    EXPECT_EQ(ip->text(), "10.0.0.5");
    Type(ip, "");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"IP为空，请重新输入"});
    Type(ip, "10.0.0.6");
    Screenshot(dialog, "capture-ipc-server.png");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(ReadPhotoIpcServer(At(device)).ip, "10.0.0.6");

    sim::Device& refusing = AddTerminal(6, {}, {{"5038", {{"result", "10001"}}}});
    CPhotoIpcServer refused(At(refusing));
    refused.Load();
    Type(refused.Find<QLineEdit>(1295), "10.0.0.7");
    refused.show();
    refused.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置失败"});
    EXPECT_TRUE(refused.isVisible());
}

}  // namespace
}  // namespace ostrand::test
