#include "ui/attendance/cattend_server_info.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/attendance/server_settings.h"

namespace ostrand {

CAttendServerInfo::CAttendServerInfo(const DeviceEndpoint& endpoint, QWidget* parent)
    : TerminalDialog(endpoint, "配置考勤服务器地址", parent) {
    auto* grid = new QGridLayout(this);
    selfRun_ = Named(new QCheckBox("是否使用自架服务器"), 1278);
    ip_ = Named(new QLineEdit, 1254);
    port_ = Named(new QLineEdit, 1029);
    grid->addWidget(selfRun_, 0, 0, 1, 2);
    grid->addWidget(new QLabel("考勤服务器IP:"), 1, 0);
    grid->addWidget(ip_, 1, 1);
    grid->addWidget(new QLabel("考勤服务器端口："), 2, 0);
    grid->addWidget(port_, 2, 1);
    auto* save = Named(new QPushButton("设置"), 1);
    auto* cancel = Named(new QPushButton("取消"), 2);
    grid->addWidget(save, 3, 0);
    grid->addWidget(cancel, 3, 1);
    connect(selfRun_, &QCheckBox::clicked, this, &CAttendServerInfo::SelfRunClicked);
    connect(save, &QPushButton::clicked, this, &CAttendServerInfo::Save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CAttendServerInfo::Load() {
    const AttendServerRead read = Run([&] { return ReadAttendServer(Endpoint()); }, Busy::Reading);
    Show(read.outcome);
    ip_->setText(DeviceQString(read.values.ip));
    port_->setText(DeviceQString(read.values.port));
    selfRun_->setChecked(read.values.selfRun);
    ip_->setEnabled(read.values.selfRun);
    port_->setEnabled(read.values.selfRun);
}

void CAttendServerInfo::SelfRunClicked() {
    const bool selfRun = selfRun_->isChecked();
    if (!selfRun) {
        ip_->setText(kNoAttendServerIp);
        port_->clear();
    }
    ip_->setEnabled(selfRun);
    port_->setEnabled(selfRun);
}

void CAttendServerInfo::Save() {
    const auto ip = Typed(ip_);
    const auto port = ip ? Typed(port_) : std::nullopt;
    if (!ip || !port) return;
    const AttendServer values{*ip, *port, selfRun_->isChecked()};
    const TerminalOutcome outcome = Run([&] { return WriteAttendServer(Endpoint(), values); });
    Show(outcome);
    if (outcome.Sent()) accept();
}

}  // namespace ostrand
