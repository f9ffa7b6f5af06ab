// The attendance periods dialog: the table it reads, the rules of "修改" and
// the whole table "确定" sends.

#include <QComboBox>
#include <QTimeEdit>

#include "dialog_test_support.h"
#include "ops/attendance/list_fields.h"
#include "ui/attendance/cmanager_attend_time.h"

namespace ostrand::test {
namespace {

using ManagerAttendTimeTest = TerminalDialogTest;

TEST_F(ManagerAttendTimeTest, LoadModifyAndSendTheTable) {
    sim::Device& device = AddTerminal(1, {{"AttendType", "1&2&0"},
                                          {"BeginTime", "08:00&12:00&"},
                                          {"EndTime", "09:00&13:00&"}});
    CManagerAttendTime dialog(At(device));
    dialog.Load();
    auto* period = dialog.Find<QComboBox>(1291);
    auto* type = dialog.Find<QComboBox>(1292);
    auto* begin = dialog.Find<QTimeEdit>(1293);
    auto* end = dialog.Find<QTimeEdit>(1286);
    EXPECT_EQ(begin->displayFormat(), "HH:mm");
    EXPECT_EQ(period->count(), 16);
    EXPECT_EQ(type->currentText(), "签到");
    EXPECT_EQ(begin->time(), QTime(8, 0));
    EXPECT_EQ(end->time(), QTime(9, 0));
    period->setCurrentIndex(1);
    EXPECT_EQ(type->currentText(), "签退");
    EXPECT_EQ(begin->time(), QTime(12, 0));

    period->setCurrentIndex(2);
    EXPECT_EQ(type->currentText(), "无效");
    EXPECT_EQ(begin->time(), QTime(0, 0));
    type->setCurrentIndex(1);
    begin->setTime(QTime(8, 30));
    end->setTime(QTime(10, 0));
    dialog.Find<QPushButton>(1275)->click();
    EXPECT_EQ(TakeMessages(), Messages{"开始时间08:30和时间段0的时间08:00-09:00重叠，请重新输入"});
    begin->setTime(QTime(17, 0));
    end->setTime(QTime(16, 0));
    dialog.Find<QPushButton>(1275)->click();
    EXPECT_EQ(TakeMessages(), Messages{"开始时间不能大于结束时间，请重新输入"});
    end->setTime(QTime(18, 15));
    dialog.Find<QPushButton>(1275)->click();
    EXPECT_EQ(TakeMessages(), Messages{"修改时间段2的时间17:00-18:15为签到状态"});
    Screenshot(dialog, "attendance-periods.png");

    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置成功!"});
    EXPECT_TRUE(dialog.isVisible());  // the dialog stays open after a send
    const PeriodTable stored = ReadPeriods(At(device)).table;
    EXPECT_EQ(stored[2], (AttendPeriod{1, "17:00", "18:15"}));
    EXPECT_EQ(stored[3], AttendPeriod{});
}

TEST_F(ManagerAttendTimeTest, FailedReadLeavesDefaultsAndRefusedSendSaysSo) {
    sim::Device& device = AddTerminal(2, {{"AttendType", "1&x&2"}, {"BeginTime", "99:99&&07:00"},
                                          {"omit", {{"5036", {"EndTime"}}}}},
                                      {{"5035", {{"result", "10001"}}}});
    CManagerAttendTime dialog(At(device));
    dialog.Load();
    // A begin no picker can show reads 00:00; the missing end list leaves ends empty.
    EXPECT_EQ(dialog.Find<QTimeEdit>(1293)->time(), QTime(0, 0));
    EXPECT_EQ(dialog.Periods()[2], (AttendPeriod{2, "07:00", ""}));
    dialog.Find<QPushButton>(1)->click();
    EXPECT_EQ(TakeMessages(), Messages{"设置失败!"});

    CManagerAttendTime unreachable(DeviceEndpoint{sim::test::AddressBlock() + "250", 60005});
    unreachable.Load();
    EXPECT_EQ(TakeMessages(), Messages{"连接服务失败"});
    EXPECT_EQ(unreachable.Periods(), PeriodTable{});
}

}  // namespace
}  // namespace ostrand::test
