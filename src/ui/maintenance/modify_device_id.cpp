#include "ui/maintenance/modify_device_id.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/maintenance/device_identity.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "ui/maintenance/maintenance_widgets.h"

namespace ostrand {

namespace {
QString Text(const char* chinese, const char* english) { return QString::fromUtf8(Tr(chinese, english)); }
}  // namespace

ModifyDeviceId::ModifyDeviceId(const std::string& ip, std::int32_t port, const std::string& numberGbk,
                               const std::string& modelGbk, QWidget* parent)
    : QDialog(parent), target_(ip, port) {
    setWindowTitle(Text("设置设备编号和产品型号", "Set Device ID and Produce ID"));
    number_ = new QLineEdit(QString::fromStdString(GbkToUtf8Lossy(numberGbk)), this);
    number_->setObjectName("edit1172");
    model_ = new QLineEdit(QString::fromStdString(GbkToUtf8Lossy(modelGbk)), this);
    model_->setObjectName("edit1191");
    ok_ = new QPushButton(Text("确定", "OK"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(Text("取消", "Cancel"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Text("设备编号：", "Device ID:"), this), 0, 0);
    grid->addWidget(number_, 0, 1);
    grid->addWidget(new QLabel(Text("(*必填)", "(*Required)"), this), 0, 2);
    grid->addWidget(new QLabel(Text("产品型号：", "Produce Model:"), this), 1, 0);
    grid->addWidget(model_, 1, 1);
    grid->addWidget(new QLabel(Text("(*必填)", "(*Required)"), this), 1, 2);
    grid->addWidget(new QLabel(Text("(格式：QZ-XXXXX-XX..)", "(Format:QZ-XXXXX-XX...)"), this), 2, 1);
    PlaceFormAndButtons(*this, grid, ok_, cancel, 400);
    connect(ok_, &QPushButton::clicked, this, &ModifyDeviceId::OnOk);
    number_->setFocus();
}

void ModifyDeviceId::OnOk() {
    const auto number = TypedDeviceText(number_->text(), "设备编号", "The device ID");
    if (!number) return;
    const auto model = TypedDeviceText(model_->text(), "产品型号", "The product model");
    if (!model) return;
    const MaintenanceOutcome outcome =
        RunMaintenanceWork(this, [&] { return SetDeviceIdAndModel(target_, *number, *model); },
                           BusyDescription("正在设置 %1 的设备编号和产品型号", "Setting the number and model of %1",
                                           target_.ip));
    ShowOutcome(outcome);
    if (outcome.succeeded) accept();
}

}  // namespace ostrand
