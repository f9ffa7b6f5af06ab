// The main window's attendance buttons open their dialogs with the values
// handed over from the selected row.

#include <QApplication>
#include <QTimer>

#include "dialog_test_support.h"
#include "ui/attendance/cbind_photo_ipc.h"
#include "ui/dialog_routes.h"

namespace ostrand::test {
namespace {

using AttendanceRoutesTest = TerminalDialogTest;

TEST_F(AttendanceRoutesTest, EveryAttendanceButtonHasItsDialog) {
    for (CommandId id : {CommandId::AttendParams, CommandId::AttendServer, CommandId::AttendTime,
                         CommandId::PhotoIpcServer, CommandId::BindPhotoIpc, CommandId::BindSignInCode,
                         CommandId::RemoteCardParams, CommandId::BindVisitor}) {
        EXPECT_TRUE(AllDialogRoutes().Has(id)) << static_cast<int>(id);
    }
}

TEST_F(AttendanceRoutesTest, BindingOpensWithTheHandedOverCodeAndEndsWhenTheReadFails) {
    sim::Device& device = AddTerminal(1, {{"5042.devicenos", "Q1&Q2&"}});
    CommandArgs args;
    args.ip = device.AddressText();
    args.port = device.Port();
    args.commandCode = 5042;
    QString title;
    QString firstChannel;
    int ticks = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (++ticks > 200) closer.stop();  // bounded: the test fails rather than hangs
        auto* dialog = dynamic_cast<CBindPhotoIpc*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        title = dialog->windowTitle();
        firstChannel = dialog->Find<QLineEdit>(1296)->text();
        dialog->reject();
    });
    closer.start(10);
    EXPECT_TRUE(AllDialogRoutes().Open(CommandId::BindSignInCode, nullptr, args));
    closer.stop();
    EXPECT_EQ(title, "绑定二维码");
    EXPECT_EQ(firstChannel, "Q1");

    args.ip = sim::test::AddressBlock() + "250";  // nobody answers: no window
    EXPECT_TRUE(AllDialogRoutes().Open(CommandId::BindSignInCode, nullptr, args));
    EXPECT_EQ(TakeMessages(), Messages{"连接服务失败"});
}

}  // namespace
}  // namespace ostrand::test
