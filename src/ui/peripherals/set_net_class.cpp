#include "ui/peripherals/set_net_class.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

SetNetClass::SetNetClass(DeviceEndpoint terminal, ClassAmpBinding binding,
                         const std::vector<std::string>& boundAmplifiers, QWidget* parent)
    : QDialog(parent), terminal_(std::move(terminal)), binding_(std::move(binding)) {
    setWindowTitle(QString::fromUtf8("设置"));
    auto* id = new QLineEdit(FromDevice(binding_.classId), this);
    id->setObjectName("edit1328");
    id->setReadOnly(true);
    auto* name = new QLineEdit(FromDevice(binding_.className), this);
    name->setObjectName("edit1329");
    name->setReadOnly(true);
    amplifier_ = new QComboBox(this);
    amplifier_->setObjectName("combo1327");
    amplifier_->setEditable(true);
    for (const auto& number : boundAmplifiers)
        if (!number.empty()) amplifier_->addItem(FromDevice(number));
    amplifier_->setEditText(FromDevice(binding_.amplifier));
    channel_ = new QLineEdit(FromDevice(binding_.channel), this);
    channel_->setObjectName("edit1330");
    // The volume is sent but never offered.
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName("slider1331");
    volume_->setRange(0, 16);
    volume_->setValue(kNetClassVolume);
    volume_->hide();
    auto* confirm = new QPushButton(QString::fromUtf8("确定"), this);
    confirm->setObjectName("button1");
    confirm->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("取消"), this);
    cancel->setObjectName("button2");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("ID："), this), 0, 0);
    grid->addWidget(id, 0, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("班级名称："), this), 1, 0);
    grid->addWidget(name, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("设备SN："), this), 2, 0);
    grid->addWidget(amplifier_, 2, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("通道："), this), 3, 0);
    grid->addWidget(channel_, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirm);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QString::fromUtf8("【通道1-16，支持组合通道，如：1_2_16】"), this));
    layout->addLayout(buttons);
    resize(380, 200);

    connect(confirm, &QPushButton::clicked, this, &SetNetClass::Confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SetNetClass::Confirm() {
    const auto amplifier = Utf8ToGbk(amplifier_->currentText().toStdString());
    const auto channel = DeviceTextOf(channel_);
    if (!amplifier || !channel) {
        if (!amplifier) ShowMessage("输入的文字含有设备无法保存的字符，请修改后重试");
        return;
    }
    std::string message;
    RunModalWork(this, [&] { message = SetNetClassBinding(terminal_, binding_, *amplifier, *channel); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
    ShowMessage(message);
    accept();  // confirmed in every case; the changed flag tells the page
}

}  // namespace ostrand
