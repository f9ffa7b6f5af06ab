#include "ui/maintenance/set_com_type.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ops/maintenance/serial_type.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

CSetComType::CSetComType(DeviceEndpoint endpoint, QWidget* parent)
    : QDialog(parent), endpoint_(std::move(endpoint)) {
    setWindowTitle(QStringLiteral("485串口配置"));
    setMinimumWidth(280);
    types_ = new QComboBox(this);
    types_->setObjectName("types");
    types_->addItem(QString::fromUtf8(SerialTypeName(kSerialTypeAttendance)));
    types_->addItem(QString::fromUtf8(SerialTypeName(kSerialTypePtz)));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("485串口配置："), types_);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName("ok");
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetComType::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CSetComType::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (opened_) return;
    opened_ = true;
    QTimer::singleShot(0, this, &CSetComType::Load);
}

void CSetComType::Load() {
    SerialTypeLoad load;
    RunModalWork(this, [this, &load] { load = LoadSerialType(endpoint_); },
                 BusyDescription("正在读取 %1 的串口类型", "Reading the serial-port type of %1", endpoint_.ip));
    types_->setCurrentIndex(load.index);
    loaded_ = true;
}

void CSetComType::accept() {
    const int index = types_->currentIndex();
    RunModalWork(this, [this, index] { SaveSerialType(endpoint_, index); },
                 BusyDescription("正在设置 %1 的串口类型", "Setting the serial-port type of %1", endpoint_.ip));
    QDialog::accept();
}

}  // namespace ostrand
