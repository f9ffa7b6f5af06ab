// The binding and card-reading dialogs against a simulated terminal.

#include <QLabel>
#include <QTableWidget>

#include "dialog_test_support.h"
#include "ops/attendance/card_params.h"
#include "ui/attendance/bind_visitor_dev.h"
#include "ui/attendance/cbind_photo_ipc.h"
#include "ui/attendance/cremote_card_param.h"

namespace ostrand::test {
namespace {

using BindingDialogsTest = TerminalDialogTest;

TEST_F(BindingDialogsTest, CaptureIpcBindingChecksAndRewritesTheTerminalsRefusal) {
    sim::Device& device = AddTerminal(1, {{"5039.devicenos", "C1&&C3&&C5&C6&C7&C8&C9"},
                                          {"knownIpcs", {"C1", "C2", "C3"}},
                                          {"boundElsewhere", {"C2"}}});
    CBindPhotoIpc dialog(At(device), kBindPhotoIpcCode, "T1");
    ASSERT_TRUE(dialog.Load());
    EXPECT_EQ(dialog.windowTitle(), "绑定拍照IPC");
    EXPECT_EQ(dialog.Find<QLineEdit>(1296)->text(), "C1");
    EXPECT_EQ(dialog.Find<QLineEdit>(1298)->text(), "");
    EXPECT_EQ(dialog.Find<QLineEdit>(1304)->text(), "C8");  // filled, never shown
    Type(dialog.Find<QLineEdit>(1299), "T1");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"不可绑定自己!"});
    Type(dialog.Find<QLineEdit>(1299), "C9");
    Type(dialog.Find<QLineEdit>(1300), "C2");
    Screenshot(dialog, "bind-capture-ipc.png");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"通道3:非法,通道4:已绑定,请重新设置!"});
    EXPECT_TRUE(dialog.isVisible());
    Type(dialog.Find<QLineEdit>(1299), "C1");
    Type(dialog.Find<QLineEdit>(1300), "");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功!"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadBindings(At(device), kBindPhotoIpcCode).channels[2], "C1");
}

TEST_F(BindingDialogsTest, QrVariantAndFailedOpening) {
    sim::Device& device = AddTerminal(2);
    CBindPhotoIpc dialog(At(device), kBindSignInCodeCode, "");
    ASSERT_TRUE(dialog.Load());
    EXPECT_EQ(dialog.windowTitle(), "绑定二维码");
    EXPECT_EQ(dialog.Find<QLabel>(1315)->text(), "(注意:二维码不可重复,未绑定的通道,请放空)");
    Type(dialog.Find<QLineEdit>(1298), "Q7");
    Type(dialog.Find<QLineEdit>(1300), "Q7");
    Screenshot(dialog, "bind-qr-codes.png");
    const int before = device.CommandCount();
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"不可重复绑定!"});
    EXPECT_EQ(device.CommandCount(), before);

    CBindPhotoIpc unreachable(DeviceEndpoint{sim::test::AddressBlock() + "250", 60005}, kBindPhotoIpcCode, "T");
    EXPECT_FALSE(unreachable.Load());
    EXPECT_EQ(TakeMessages(), Messages{"连接服务失败"});
}

TEST_F(BindingDialogsTest, VisitorListTicksBoundMachinesAndRebindsThem) {
    sim::Device& device = AddTerminal(3, {{"visitors", {{{"devicecode", "V1"}, {"ip", "10.0.0.21"}, {"bind", 1}},
                                                        {{"devicecode", "访客2"}, {"ip", "10.0.0.22"}, {"bind", 0}}}}});
    BindVisitorDev old(At(device), "V6.8.232");
    old.Find<QPushButton>(1322)->click();
    EXPECT_EQ(TakeMessages(), Messages{"版本不支持!"});

    BindVisitorDev dialog(At(device), "XT_V6.8.233");
    dialog.Find<QPushButton>(1322)->click();
    QTableWidget* list = dialog.List();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(0, 4)->text(), "已绑定");
    EXPECT_EQ(list->item(1, 2)->text(), "访客2");
    EXPECT_EQ(list->item(1, 4)->text(), "未绑定");
    EXPECT_EQ(list->item(1, 5)->text(), "10.0.0.22");
    list->item(0, 0)->setCheckState(Qt::Unchecked);
    list->item(1, 0)->setCheckState(Qt::Checked);
    dialog.Find<QPushButton>(1259)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功!"});
    // The list is searched again and shows the new state.
    EXPECT_EQ(list->item(0, 4)->text(), "未绑定");
    EXPECT_EQ(list->item(1, 0)->checkState(), Qt::Checked);
    Screenshot(dialog, "bind-visitors.png");
}

TEST_F(BindingDialogsTest, CardReadingChecksCountAndTime) {
    sim::Device& device = AddTerminal(4, {{"readcount", "5"}, {"readtime", "20"}});
    CRemoteCardParam dialog(At(device));
    ASSERT_TRUE(dialog.Load());
    EXPECT_EQ(dialog.Find<QLineEdit>(1317)->text(), "5");
    Type(dialog.Find<QLineEdit>(1317), "256");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"读取次数不在范围0-255"});
    Type(dialog.Find<QLineEdit>(1317), "12ab");
    Screenshot(dialog, "card-reading.png");
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ReadCardParams(At(device)).values.readCount, "12ab");
}

}  // namespace
}  // namespace ostrand::test
