#include "ui/peripherals/chanlde_class_audio.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ops/peripherals/speaker_config.h"
#include "platform/message_sink.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

CHanldeClassAudio::CHanldeClassAudio(DeviceEndpoint terminal, bool places, const std::string& id,
                                     const std::string& name, const std::string& speakers, QWidget* parent)
    : QDialog(parent), terminal_(std::move(terminal)), places_(places), id_(id), result_(speakers) {
    setWindowTitle(QString::fromUtf8("设置"));
    auto* idEdit = new QLineEdit(FromDevice(id), this);
    idEdit->setObjectName("edit1297");
    idEdit->setReadOnly(true);
    auto* nameEdit = new QLineEdit(FromDevice(name), this);
    nameEdit->setObjectName("edit1298");
    nameEdit->setReadOnly(true);
    speakers_ = new QLineEdit(FromDevice(speakers), this);
    speakers_->setObjectName("edit1299");
    auto* hint = new QLabel(QString::fromUtf8("【音箱号若设置多个请用逗号隔开,如1,2,3  广播请配置第一音箱号为255】"), this);
    hint->setWordWrap(true);
    auto* apply = new QPushButton(QString::fromUtf8("设置"), this);
    apply->setObjectName("button1");
    apply->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("取消"), this);
    cancel->setObjectName("button2");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("ID："), this), 0, 0);
    grid->addWidget(idEdit, 0, 1);
    auto* nameLabel = new QLabel(QString::fromUtf8(places_ ? "场所名称：" : "班级名称："), this);
    nameLabel->setObjectName("label1347");
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(nameEdit, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("音箱号："), this), 2, 0);
    grid->addWidget(speakers_, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    resize(420, 200);

    connect(apply, &QPushButton::clicked, this, &CHanldeClassAudio::Apply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CHanldeClassAudio::Apply() {
    const auto text = DeviceTextOf(speakers_);
    if (!text) return;
    ClassSpeakersOutcome outcome;
    RunModalWork(this, [&] { outcome = SetClassSpeakers(terminal_, places_, id_, *text); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
    ShowMessage(outcome.message);
    if (!outcome.ok) return;  // stays open
    result_ = *text;
    accept();
}

}  // namespace ostrand
