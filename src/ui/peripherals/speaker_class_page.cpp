#include "ui/peripherals/speaker_class_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ops/peripherals/speaker_config.h"
#include "platform/message_sink.h"
#include "ui/peripherals/chanlde_class_audio.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

QSlider* MakeSlider(int maximum, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, maximum);
    return slider;
}

}  // namespace

SpeakerClassPage::SpeakerClassPage(DeviceEndpoint terminal, bool places, QWidget* parent)
    : QWidget(parent), terminal_(std::move(terminal)), places_(places) {
    if (places_) {
        list_ = MakeReportList({QString::fromUtf8("序列"), QString::fromUtf8("场所ID"), QString::fromUtf8("场所名称"),
                                QString::fromUtf8("绑定音箱号"), QString::fromUtf8("班级ID"), QString::fromUtf8("班级名称")},
                               {40, 0, 150, 200, 0, 200}, this);
    } else {
        list_ = MakeReportList({QString::fromUtf8("序列"), "ID", QString::fromUtf8("班级名称"),
                                QString::fromUtf8("绑定音箱号")},
                               {40, 0, 200, 200}, this);
    }
    list_->setObjectName("list1274");
    auto* bind = new QPushButton(QString::fromUtf8("绑定"), this);
    bind->setObjectName("button1");
    bind->setDefault(true);  // Enter opens the selected row's speaker numbers
    band_ = MakeSlider(kMaxRadioBand, this);
    band_->setObjectName("slider1309");
    bandLabel_ = new QLabel(this);
    bandLabel_->setObjectName("label1345");
    auto* setBand = new QPushButton(QString::fromUtf8("设置"), this);
    setBand->setObjectName("button1275");
    speaker_ = new QComboBox(this);
    speaker_->setObjectName("combo1300");
    volume_ = MakeSlider(kMaxVolume, this);
    volume_->setObjectName("slider1301");
    volumeLabel_ = new QLabel(this);
    volumeLabel_->setObjectName("label1346");
    auto* setVolume = new QPushButton(QString::fromUtf8("设置"), this);
    setVolume->setObjectName("button1276");
    related_ = new QLineEdit(this);
    related_->setObjectName("edit1299");
    related_->setReadOnly(true);
    relatedLabel_ = new QLabel(QString::fromUtf8(places_ ? "关联场所：" : "关联班级："), this);
    relatedLabel_->setObjectName("label1347");
    testSpeaker_ = new QComboBox(this);
    testSpeaker_->setObjectName("combo1311");
    test_ = new QPushButton(QString::fromUtf8("调试"), this);
    test_->setObjectName("button1313");
    test_->setCheckable(true);

    auto* controls = new QGridLayout;
    controls->addWidget(new QLabel(QString::fromUtf8("发送模块RF频段："), this), 0, 0);
    controls->addWidget(band_, 0, 1);
    controls->addWidget(bandLabel_, 0, 2);
    controls->addWidget(setBand, 0, 3);
    controls->addWidget(new QLabel(QString::fromUtf8("音箱号："), this), 1, 0);
    controls->addWidget(speaker_, 1, 1);
    controls->addWidget(new QLabel(QString::fromUtf8("音    量:"), this), 2, 0);
    controls->addWidget(volume_, 2, 1);
    controls->addWidget(volumeLabel_, 2, 2);
    controls->addWidget(setVolume, 2, 3);
    controls->addWidget(relatedLabel_, 3, 0);
    controls->addWidget(related_, 3, 1, 1, 3);
    controls->addWidget(new QLabel(QString::fromUtf8("调试音箱号："), this), 4, 0);
    controls->addWidget(testSpeaker_, 4, 1);
    controls->addWidget(test_, 4, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bind);
    layout->addLayout(buttons);
    layout->addLayout(controls);

    connect(band_, &QSlider::valueChanged, bandLabel_, qOverload<int>(&QLabel::setNum));
    connect(volume_, &QSlider::valueChanged, volumeLabel_, qOverload<int>(&QLabel::setNum));
    connect(speaker_, &QComboBox::activated, this, &SpeakerClassPage::ChooseSpeaker);
    connect(setVolume, &QPushButton::clicked, this, &SpeakerClassPage::SendVolume);
    connect(setBand, &QPushButton::clicked, this, &SpeakerClassPage::SendRadioBand);
    connect(test_, &QPushButton::clicked, this, &SpeakerClassPage::ToggleTest);
    connect(bind, &QPushButton::clicked, this, &SpeakerClassPage::BindRow);
}

void SpeakerClassPage::Load() {
    std::optional<SpeakerPage> page;
    RunModalWork(window(), [&] { page = LoadSpeakerPage(terminal_, places_); }, BusyDescription("正在读取 %1 的参数", "Reading the settings of %1", terminal_.ip));
    if (!page) return;  // the channel has shown its message; the page stays empty
    loaded_ = true;
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(page->rows.size()));
    for (int k = 0; k < static_cast<int>(page->rows.size()); ++k) {
        const auto& row = page->rows[static_cast<std::size_t>(k)];
        SetDeviceCell(list_, k, 0, std::to_string(k + 1));
        SetDeviceCell(list_, k, 1, row.id);
        SetDeviceCell(list_, k, 2, row.name);
        SetDeviceCell(list_, k, 3, row.speakers);
        if (places_) {
            SetDeviceCell(list_, k, 4, row.classId);
            SetDeviceCell(list_, k, 5, row.className);
        }
    }
    speaker_->clear();
    for (int n = 0; n < kSpeakerChoices; ++n) speaker_->addItem(QString::number(n));
    speaker_->setCurrentIndex(0);
    if (page->testAvailable) {
        testSpeaker_->clear();
        for (int n = 0; n < kTestSpeakerChoices; ++n) testSpeaker_->addItem(QString::number(n));
        testSpeaker_->setCurrentIndex(page->testSpeaker);
        test_->setChecked(page->testOn);
    } else {
        test_->setEnabled(false);
        testSpeaker_->setEnabled(false);
    }
    volume_->setValue(page->volume);
    volumeLabel_->setText(FromDevice(page->volumeText));
    if (page->radioBandAvailable) {
        band_->setValue(page->radioBand);
        bandLabel_->setNum(band_->value());
    } else {
        band_->setEnabled(false);
    }
}

std::vector<SpeakerClassRow> SpeakerClassPage::Rows() const {
    std::vector<SpeakerClassRow> rows;
    for (int k = 0; k < list_->rowCount(); ++k)
        rows.push_back({DeviceCell(list_, k, 1), DeviceCell(list_, k, 2), DeviceCell(list_, k, 3), {}, {}});
    return rows;
}

void SpeakerClassPage::ChooseSpeaker(int speaker) {
    if (speaker < 0) return;
    related_->setText(FromDevice(RelatedClassText(Rows(), speaker)));
    std::optional<SpeakerVolume> volume;
    RunModalWork(window(), [&] { volume = GetSpeakerVolume(terminal_, speaker); }, BusyDescription("正在读取 %1 的参数", "Reading the settings of %1", terminal_.ip));
    if (!volume) return;
    volume_->setValue(volume->volume);
    volumeLabel_->setText(FromDevice(volume->text));
}

void SpeakerClassPage::SendVolume() {
    const int speaker = std::max(speaker_->currentIndex(), 0);
    const int volume = volume_->value();
    RunModalWork(window(), [&] { SetSpeakerVolume(terminal_, speaker, volume); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
}

void SpeakerClassPage::SendRadioBand() {
    const int band = band_->value();
    RunModalWork(window(), [&] { SetRadioBand(terminal_, band); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
}

void SpeakerClassPage::ToggleTest(bool on) {
    test_->setText(QString::fromUtf8(on ? "停止" : "调试"));
    const int speaker = std::max(testSpeaker_->currentIndex(), 0);
    RunModalWork(window(), [&] { SetSpeakerTest(terminal_, speaker, on); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
}

void SpeakerClassPage::StopTest() {
    if (!test_->isChecked()) return;
    test_->setChecked(false);
    ToggleTest(false);
}

void SpeakerClassPage::BindRow() {
    const auto selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ShowMessage("请在类表中单击选择要配置的班级");
        return;
    }
    const int row = selected.first().row();
    CHanldeClassAudio dialog(terminal_, places_, DeviceCell(list_, row, 1), DeviceCell(list_, row, 2),
                             DeviceCell(list_, row, 3), this);
    if (dialog.exec() == QDialog::Accepted) SetDeviceCell(list_, row, 3, dialog.Speakers());
}

}  // namespace ostrand
