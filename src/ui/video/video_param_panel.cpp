// The preview's parameter panel: every control shows the chosen channel's
// value and writes a change back through CameraTuning.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QApplication>
#include <QPointer>

#include <cerrno>
#include <memory>

#include "platform/log.h"
#include "platform/message_sink.h"
#include "ui/shell/progress_dlg.h"
#include "ui/video/cvideo_play_sdk.h"

namespace ostrand {

namespace {

struct SliderId {
    int slider;
    int display;
};
constexpr SliderId kColourIds[] = {{1064, 1065}, {1066, 1067}, {1068, 1069}, {1070, 1071}, {1109, 1167}};
constexpr SliderId kGainIds[] = {{1078, 1086}, {1082, 1088}, {1084, 1090}};
constexpr const char* kColourOperation[] = {"CustomdrawSliderLightness", "ReleasedcaptureSliderContrast",
                                            "ReleasedcaptureSliderSaturation", "ReleasedcaptureSliderHue",
                                            "SetShapnessSdk"};

constexpr int kExposureId = 1073;
constexpr int kDayId = 1094;
constexpr int kNightId = 1097;

}  // namespace

QSlider* CVideoPlaySdk::AddSlider(QGridLayout* grid, int row, int id, int valueId, const char* zh, const char* en,
                                  int low, int high, const char* format) {
    auto* slider = Named(new QSlider(Qt::Horizontal), id);
    slider->setRange(low, high);
    auto* display = Named(new QLineEdit, valueId);
    display->setReadOnly(true);
    display->setFixedWidth(56);
    connect(slider, &QSlider::valueChanged, display,
            [display, format](int value) { display->setText(QString::asprintf(format, value)); });
    display->setText(QString::asprintf(format, slider->value()));
    // Every change the user makes is sent: a drag when it is released, any
    // other change (arrow and page keys, Home/End, a click on the groove,
    // the wheel) at once, with the value it gave.
    connect(slider, &QSlider::sliderReleased, this, [this, slider, id] { SliderChanged(id, slider->value()); });
    connect(slider, &QSlider::valueChanged, this, [this, slider, id](int value) {
        if (!filling_ && !slider->isSliderDown()) SliderChanged(id, value);
    });
    if (zh != nullptr) grid->addWidget(AddLabel(0, zh, en), row, 0);
    grid->addWidget(slider, row, 1);
    grid->addWidget(display, row, 2);
    return slider;
}

QGroupBox* CVideoPlaySdk::BuildParamPanel() {
    const bool english = language_ == Language::English;
    auto* group = Named(new QGroupBox(QString::fromUtf8(english ? "Video Param" : "设置视频参数")), 1230);
    auto* grid = new QGridLayout(group);
    int row = 0;

    auto* channel = Named(new QComboBox, 1072);
    for (int i = 0; i < channels_; ++i) channel->addItem(QString::number(i));
    grid->addWidget(AddLabel(0, "通  道  号", "CHN:"), row, 0);
    grid->addWidget(channel, row++, 1, 1, 2);
    connect(channel, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_ && index >= 0) ReadChannel(index);
    });

    auto* resolution = Named(new QComboBox, 1061);
    for (const char* text : video::kResolutionTexts) resolution->addItem(text);
    grid->addWidget(AddLabel(0, "分  辨  率", "Resolution:"), row, 0);
    grid->addWidget(resolution, row++, 1, 1, 2);
    connect(resolution, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) return;
        RunWrite("CbnSelchangeComboFb",
                 [this, index] { return tuning_.SetResolution(static_cast<video::Resolution>(index)); });
    });

    auto* mode = Named(new QComboBox, 1063);
    for (int i = 0; i < video::kVideoModeCount; ++i) {
        mode->addItem(QString::fromUtf8(video::VideoModeText(i, language_)));
    }
    grid->addWidget(AddLabel(0, "视频效果", "Video:"), row, 0);
    grid->addWidget(mode, row++, 1, 1, 2);
    connect(mode, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) return;
        RunWrite("CbnSelchangeComboFb", [this, index] { return tuning_.SetVideoMode(index); });
    });

    auto* frequency = Named(new QComboBox, 1092);
    frequency->addItems({"50Hz", "60Hz"});
    grid->addWidget(AddLabel(0, "电源频率", "Frequency:"), row, 0);
    grid->addWidget(frequency, row++, 1, 1, 2);
    connect(frequency, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) return;
        RunWrite("CbnSelchangeComboQpcons",
                 [this, index] { return tuning_.SetPowerFrequency(static_cast<video::PowerFrequency>(index)); });
    });

    auto* awbMode = Named(new QComboBox, 1080);
    for (int i = 0; i < video::kAwbModeCount; ++i) {
        awbMode->addItem(QString::fromUtf8(video::AwbModeText(i, language_)));
    }
    grid->addWidget(AddLabel(0, "白  平  衡", "AWB:"), row, 0);
    grid->addWidget(awbMode, row++, 1, 1, 2);
    connect(awbMode, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) return;
        RunWrite("CbnSelchangeComboQpcons", [this, index] { return tuning_.SetAwbMode(index); });
    });

    auto* manualAwb = AddCheck(1107, "手动白平衡参数调节", "Auto AWB");
    grid->addWidget(manualAwb, row++, 0, 1, 3);
    connect(manualAwb, &QCheckBox::clicked, this, [this](bool checked) {
        RunWrite("ClickedCheckAutoawb", [this, checked] { return tuning_.SetManualAwb(checked); });
    });
    auto* awbGroup = new QGroupBox(QString::fromUtf8(english ? "AWB Model" : "白平衡参数调节"));
    auto* awbGrid = new QGridLayout(awbGroup);
    static constexpr const char* kGainNames[] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        AddSlider(awbGrid, i, kGainIds[i].slider, kGainIds[i].display, kGainNames[i],
                                    kGainNames[i], 0, 100, "%d%%");
    }
    grid->addWidget(awbGroup, row++, 0, 1, 3);

    static constexpr const char* kColourZh[] = {"亮    度", "对比度", "饱和度", "色    度", "锐利度"};
    static constexpr const char* kColourEn[] = {"B:", "Contra:", "S:", "H:", "Share:"};
    for (int i = 0; i < video::kColourControlCount; ++i) {
        AddSlider(grid, row++, kColourIds[i].slider, kColourIds[i].display, kColourZh[i],
                                    kColourEn[i], 0, 100, "%d%%");
    }

    auto* exposureGroup = new QGroupBox(QString::fromUtf8(english ? "Exposure" : "曝光度"));
    auto* exposureGrid = new QGridLayout(exposureGroup);
    auto* manualExposure = AddCheck(1075, "手动曝光", "Auto Exposure");
    exposureGrid->addWidget(manualExposure, 0, 0, 1, 3);
    AddSlider(exposureGrid, 1, kExposureId, 1074, nullptr, nullptr, 100, 50000, "%d");
    connect(manualExposure, &QCheckBox::clicked, this, [this](bool checked) {
        Slider(1073)->setEnabled(checked);
        RunWrite("ClickedCheckExpourse", [this, checked] { return tuning_.SetManualExposure(checked); });
    });
    grid->addWidget(exposureGroup, row++, 0, 1, 3);

    auto* restore = AddButton(1004, "恢复默认值", "Reset");
    connect(restore, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
    grid->addWidget(restore, row++, 0, 1, 3);

    AddSlider(grid, row++, kDayId, 1095, "白天光敏阀值", "Day PS:", 0, video::kThresholdMax, "%d");
    AddSlider(grid, row++, kNightId, 1099, "晚上光敏阀值", "Night PS:", 0, video::kThresholdMax, "%d");

    struct EditRow {
        int id;
        const char* zh;
        const char* en;
        video::EditField field;
    };
    static constexpr EditRow kEdits[] = {{1117, "码率:", "Rate:", video::EditField::BitRate},
                                         {1120, "帧率:", "Frame:", video::EditField::FrameRate},
                                         {1125, "关键帧间隔:", "KeyFrame:", video::EditField::KeyFrame}};
    for (const EditRow& e : kEdits) {
        auto* edit = Named(new QLineEdit, e.id);
        grid->addWidget(AddLabel(0, e.zh, e.en), row, 0);
        grid->addWidget(edit, row, 1);
        if (e.field == video::EditField::KeyFrame) grid->addWidget(new QLabel("(30-128)"), row, 2);
        ++row;
        const video::EditField field = e.field;
        connect(edit, &QLineEdit::returnPressed, this, [this, field] { EditEntered(field); });
    }
    auto* hidden = Named(new QLineEdit(group), 1141);  // exposure switch threshold, not shown
    hidden->hide();

    auto* autoRate = AddCheck(1102, "码流自适应", "AutoRate");
    auto* audio = AddCheck(1168, "音频", "Audio");
    grid->addWidget(autoRate, row, 0);
    grid->addWidget(audio, row++, 1);
    connect(autoRate, &QCheckBox::clicked, this,
            [this](bool on) { RunWrite("setAutoRate", [this, on] { return tuning_.SetAutoRate(on); }); });
    connect(audio, &QCheckBox::clicked, this,
            [this](bool on) { RunWrite("setaudio", [this, on] { return tuning_.SetAudio(on); }); });
    return group;
}

void CVideoPlaySdk::FillParams() {
    filling_ = true;
    const video::CameraParams& shown = tuning_.Shown();
    Combo(1061)->setCurrentIndex(static_cast<int>(shown.resolution));
    Combo(1063)->setCurrentIndex(shown.videoMode);
    Combo(1092)->setCurrentIndex(static_cast<int>(shown.frequency));
    for (int i = 0; i < video::kColourControlCount; ++i) {
        Slider(kColourIds[i].slider)->setValue(shown.colour[static_cast<std::size_t>(i)]);
    }
    Slider(1073)->setValue(shown.exposure);
    Check(1075)->setChecked(shown.manualExposure);
    Slider(1073)->setEnabled(shown.manualExposure);
    for (int i = 0; i < 3; ++i) {
        Slider(kGainIds[i].slider)->setValue(shown.gains[static_cast<std::size_t>(i)]);
        Slider(kGainIds[i].slider)->setEnabled(shown.manualAwb);
    }
    Combo(1080)->setCurrentIndex(shown.awbMode);
    Combo(1080)->setEnabled(!shown.manualAwb);
    Check(1107)->setChecked(shown.manualAwb);
    Slider(1094)->setValue(shown.day);
    Slider(1097)->setValue(shown.night);
    Edit(1117)->setText(QString::fromStdString(shown.bitRate));
    Edit(1120)->setText(QString::fromStdString(shown.frameRate));
    Edit(1125)->setText(QString::fromStdString(shown.keyFrame));
    Edit(1141)->setText(QString::fromStdString(shown.switchThreshold));
    Check(1102)->setChecked(shown.autoRate);
    Check(1168)->setChecked(shown.audio);
    filling_ = false;
}

void CVideoPlaySdk::RunWrite(const char* operation, std::function<video::WriteResult()> write, bool refill) {
    pending_.push_back({operation, std::move(write), refill});
    if (!writing_) RunPendingWrites();
}

void CVideoPlaySdk::RunPendingWrites() {
    writing_ = true;
    while (!pending_.empty()) {
        PendingWrite next = std::move(pending_.front());
        pending_.pop_front();
        // The window takes no input during the write; the control the user
        // works with gets the focus back, so the next key goes to it.
        const QPointer<QWidget> focus = QApplication::focusWidget();
        video::WriteResult result;
        try {
            RunModalWork(this, [&result, &next] { result = next.write(); },
                         BusyDescription("正在设置 %1 的图像参数", "Setting the image of %1", target_.ip));
        } catch (...) {
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "%s Unknow Exception occur!::%d", next.operation, errno);
        }
        if (result.NoAnswer()) {
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "%s Unknow Exception occur!::%d", next.operation, errno);
        }
        // Writes that read values back (resolution, white balance, the spaced
        // thresholds) show them.
        if (next.refill) FillParams();
        if (QWidget* back = focus.data(); back != nullptr && back->isEnabled()) back->setFocus(Qt::OtherFocusReason);
    }
    writing_ = false;
}

void CVideoPlaySdk::SliderChanged(int id, int value) {
    for (int i = 0; i < video::kColourControlCount; ++i) {
        if (kColourIds[i].slider == id) return ColourReleased(static_cast<video::ColourControl>(i), value);
    }
    for (int i = 0; i < 3; ++i) {
        if (kGainIds[i].slider == id) return GainReleased(static_cast<video::AwbGain>(i), value);
    }
    if (id == kExposureId) return ExposureReleased(value);
    if (id == kDayId) return DayReleased(value);
    if (id == kNightId) return NightReleased(value);
}

void CVideoPlaySdk::ReadChannel(int channel) {
    tuning_.SetChannel(channel);
    RunWrite("GetInitColorParam", [this] { return tuning_.ReadAll(video::ReadOrder::Refresh); });
    liveView_->Select(channel);
}

void CVideoPlaySdk::ColourReleased(video::ColourControl control, int value) {
    RunWrite(kColourOperation[static_cast<int>(control)],
             [this, control, value] { return tuning_.SetColour(control, value); });
}

void CVideoPlaySdk::GainReleased(video::AwbGain gain, int value) {
    RunWrite("CustomdrawSliderLightness", [this, gain, value] { return tuning_.SetGain(gain, value); });
}

void CVideoPlaySdk::ExposureReleased(int value) {
    RunWrite("ReleasedcaptureSliderExposure", [this, value] { return tuning_.SetExposure(value); });
}

void CVideoPlaySdk::DayReleased(int day) {
    RunWrite("CustomdrawSliderLightness", [this, day] { return tuning_.SetDayThreshold(day); });
}

void CVideoPlaySdk::NightReleased(int night) {
    RunWrite("CustomdrawSliderLightness", [this, night] { return tuning_.SetNightThreshold(night); });
}

void CVideoPlaySdk::EditEntered(video::EditField field) {
    static constexpr int kIds[] = {1117, 1120, 1125};
    const std::string text = Edit(kIds[static_cast<int>(field)])->text().toStdString();
    auto result = std::make_shared<video::EditResult>();
    RunWrite("ReleasedcaptureSliderExposure",
             [this, field, text, result] {
                 *result = tuning_.SetEdit(field, text, language_);
                 return result->write;
             },
             false);  // a refused text stays for the user to correct
    if (!result->message.empty()) ShowMessage(result->message);
}

void CVideoPlaySdk::RestoreDefaults() {
    if (Check(1075)->isChecked()) {
        Check(1075)->setChecked(false);
        Slider(1073)->setEnabled(false);
    }
    video::WriteResult result;
    try {
        RunWithProgress(this, ProgressMode::RestoreDefaults, [this, &result] { result = tuning_.RestoreDefaults(); });
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "BnClickedButtonSetdefault Unknow Exception occur!::%d", errno);
    }
    if (result.NoAnswer()) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "BnClickedButtonSetdefault Unknow Exception occur!::%d", errno);
    }
    FillParams();
}

}  // namespace ostrand
