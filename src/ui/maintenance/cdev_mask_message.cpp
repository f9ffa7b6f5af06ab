#include "ui/maintenance/cdev_mask_message.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/maintenance/device_name.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "ui/maintenance/maintenance_widgets.h"

namespace ostrand {

CDevMaskMessage::CDevMaskMessage(const std::string& ip, std::int32_t port, const std::string& oldNameGbk,
                                 QWidget* parent)
    : QDialog(parent), target_(ip, port) {
    setWindowTitle(QString::fromUtf8(Tr("设备名修改", "Change Device Name")));
    oldName_ = new QLineEdit(QString::fromStdString(GbkToUtf8Lossy(oldNameGbk)), this);
    oldName_->setReadOnly(true);
    newNameEdit_ = new QLineEdit(this);
    newNameEdit_->setObjectName("newName");
    ok_ = new QPushButton(QString::fromUtf8(Tr("确定", "OK")), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8(Tr("取消", "Cancel")), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8(Tr("原设备名：", "Old Dev Name")), this), 0, 0);
    grid->addWidget(oldName_, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(Tr("新设备名：", "New Dev Name")), this), 1, 0);
    grid->addWidget(newNameEdit_, 1, 1);
    PlaceFormAndButtons(*this, grid, ok_, cancel, 340);
    connect(ok_, &QPushButton::clicked, this, &CDevMaskMessage::OnOk);
    newNameEdit_->setFocus();
}

void CDevMaskMessage::OnOk() {
    const auto name = TypedDeviceText(newNameEdit_->text(), "新设备名", "The new name");
    if (!name) return;
    const MaintenanceOutcome outcome = RunMaintenanceWork(this, [&] { return RenameDevice(target_, *name); },
                           BusyDescription("正在修改 %1 的设备名", "Renaming %1", target_.ip));
    ShowOutcome(outcome);
    if (!outcome.sent) return;  // refused before sending: the input stays for correction
    if (outcome.succeeded) {
        changed_ = true;
        newName_ = *name;
    }
    done(outcome.succeeded ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace ostrand
