#include "ui/attendance/cmanager_attend_time.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

#include "platform/message_sink.h"

namespace ostrand {

namespace {

QTime PickerValue(const std::string& text) {
    const PeriodTime time = PickerTime(text);
    return QTime(time.hour, time.minute, 0);
}

PeriodTime FromPicker(const QTimeEdit* picker) {
    return {picker->time().hour(), picker->time().minute()};
}

}  // namespace

CManagerAttendTime::CManagerAttendTime(const DeviceEndpoint& endpoint, QWidget* parent)
    : TerminalDialog(endpoint, "设置考勤机考勤时间", parent) {
    auto* grid = new QGridLayout(this);
    period_ = Named(new QComboBox, 1291);
    type_ = Named(new QComboBox, 1292);
    begin_ = Named(new QTimeEdit, 1293);
    end_ = Named(new QTimeEdit, 1286);
    for (QTimeEdit* picker : {begin_, end_}) {
        picker->setDisplayFormat("HH:mm");
        picker->setTime(QTime(0, 0));
    }
    grid->addWidget(new QLabel("请选择时间段:"), 0, 0);
    grid->addWidget(period_, 0, 1);
    grid->addWidget(new QLabel("出勤类型:"), 1, 0);
    grid->addWidget(type_, 1, 1);
    grid->addWidget(new QLabel("签到时间:"), 2, 0);
    grid->addWidget(begin_, 2, 1);
    grid->addWidget(new QLabel("签退时间:"), 3, 0);
    grid->addWidget(end_, 3, 1);
    auto* modify = Named(new QPushButton("修改"), 1275);
    auto* send = Named(new QPushButton("确定"), 1);
    auto* cancel = Named(new QPushButton("取消"), 2);
    grid->addWidget(modify, 4, 0);
    grid->addWidget(send, 4, 1);
    grid->addWidget(cancel, 4, 2);
    connect(modify, &QPushButton::clicked, this, &CManagerAttendTime::Modify);
    connect(send, &QPushButton::clicked, this, &CManagerAttendTime::Send);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CManagerAttendTime::Load() {
    const PeriodsRead read = Run([&] { return ReadPeriods(Endpoint()); }, Busy::Reading);
    Show(read.outcome);
    table_ = read.table;
    for (int i = 0; i < kAttendPeriodCount; ++i) period_->addItem(QString::number(i));
    period_->setCurrentIndex(0);
    type_->addItems({"无效", "签到", "签退"});
    ShowPeriod(0);
    connect(period_, &QComboBox::currentIndexChanged, this, &CManagerAttendTime::ShowPeriod);
}

void CManagerAttendTime::ShowPeriod(int index) {
    if (index < 0 || index >= kAttendPeriodCount) {
        ShowMessage("选择的时间段有误");
        return;
    }
    const AttendPeriod& period = table_[static_cast<std::size_t>(index)];
    type_->setCurrentIndex(period.type);
    begin_->setTime(PickerValue(period.begin));
    end_->setTime(PickerValue(period.end));
}

void CManagerAttendTime::Modify() {
    const PeriodChange change =
        ModifyPeriod(table_, period_->currentIndex(), type_->currentIndex(), FromPicker(begin_), FromPicker(end_));
    ShowMessage(change.message);
}

void CManagerAttendTime::Send() {
    const PeriodTable table = table_;
    Show(Run([&] { return WritePeriods(Endpoint(), table); }));
}

}  // namespace ostrand
