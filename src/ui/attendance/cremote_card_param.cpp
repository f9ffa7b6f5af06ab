#include "ui/attendance/cremote_card_param.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/attendance/card_params.h"

namespace ostrand {

CRemoteCardParam::CRemoteCardParam(const DeviceEndpoint& endpoint, QWidget* parent)
    : TerminalDialog(endpoint, "Dialog", parent) {
    auto* grid = new QGridLayout(this);
    count_ = Named(new QLineEdit, 1317);
    time_ = Named(new QLineEdit, 1318);
    grid->addWidget(new QLabel("读卡次数:"), 0, 0);
    grid->addWidget(count_, 0, 1);
    grid->addWidget(new QLabel("0-255"), 0, 2);
    grid->addWidget(new QLabel("读卡时间:"), 1, 0);
    grid->addWidget(time_, 1, 1);
    grid->addWidget(new QLabel("0-255秒"), 1, 2);
    auto* save = Named(new QPushButton("确定"), 1);
    auto* cancel = Named(new QPushButton("取消"), 2);
    grid->addWidget(save, 2, 1);
    grid->addWidget(cancel, 2, 2);
    connect(save, &QPushButton::clicked, this, &CRemoteCardParam::Save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CRemoteCardParam::Load() {
    const CardParamsRead read = Run([&] { return ReadCardParams(Endpoint()); }, Busy::Reading);
    Show(read.outcome);
    if (!read.outcome.Succeeded()) return false;
    count_->setText(DeviceQString(read.values.readCount));
    time_->setText(DeviceQString(read.values.readTime));
    return true;
}

void CRemoteCardParam::Save() {
    const auto count = Typed(count_);
    const auto time = count ? Typed(time_) : std::nullopt;
    if (!count || !time) return;
    const CardParams params{*count, *time};
    const TerminalOutcome outcome = Run([&] { return WriteCardParams(Endpoint(), params); });
    Show(outcome);
    if (outcome.Succeeded()) accept();
}

}  // namespace ostrand
