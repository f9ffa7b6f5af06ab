#include "ui/video/cvideo_play_sdk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/log.h"
#include "ui/shell/progress_dlg.h"
#include "ui/video/my_video_panel.h"

namespace ostrand {

namespace {

constexpr int kAreaLeft = 100;
constexpr int kAreaTop = 10;

// The video area holds every panel's rectangle (a plain 640 x 480 when there is none).
QSize VideoAreaSize(const std::vector<video::PanelPlacement>& layout) {
    int right = kAreaLeft + 640;
    int bottom = kAreaTop + 480;
    for (const video::PanelPlacement& p : layout) {
        right = std::max(right, p.rect.right);
        bottom = std::max(bottom, p.rect.bottom);
    }
    return {right - kAreaLeft, bottom - kAreaTop};
}

}  // namespace

CVideoPlaySdk::CVideoPlaySdk(std::string ip, std::int32_t port, int channels, QWidget* parent)
    : QDialog(parent), ip_(std::move(ip)), channels_(std::max(channels, 0)), language_(UiLanguage()),
      tuning_(target_, 0) {
    const bool english = language_ == Language::English;
    setWindowTitle(QString::fromUtf8(english ? "Video Scan" : "视频浏览"));
    target_.Set(ip_, port);
    tuning_.ShowFailures(true);

    auto* videoArea = new QWidget(this);
    videoArea->setObjectName("videoArea");
    const std::vector<video::PanelPlacement> layout = video::PanelLayout(channels_);
    videoArea->setFixedSize(VideoAreaSize(layout));
    QPalette dark = videoArea->palette();
    dark.setColor(QPalette::Window, QColor(48, 48, 48));
    videoArea->setPalette(dark);
    videoArea->setAutoFillBackground(true);
    if (channels_ == 0) {
        // A camera listed by hand has no channel count: no panel, and a word why.
        auto* none = Named(new QLabel(QString::fromUtf8(english ? "No video channel information" : "无视频通道信息"),
                                      videoArea),
                           3000);
        QPalette light = none->palette();
        light.setColor(QPalette::WindowText, Qt::white);
        none->setPalette(light);
        none->setAlignment(Qt::AlignCenter);
        none->setGeometry(videoArea->rect());
    }

    auto* right = new QVBoxLayout;
    right->addWidget(BuildPtzPanel());
    right->addWidget(BuildStatusPanel());
    right->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addWidget(videoArea, 0, Qt::AlignTop);
    top->addWidget(BuildParamPanel(), 0, Qt::AlignTop);
    top->addLayout(right);

    // The hidden engine instance first, then one panel per placement.
    liveView_ = std::make_unique<video::LiveView>(
        channels_, [this, videoArea](const video::PanelPlacement& placement) -> video::VideoComponent& {
            if (!placement.visible) {
                engine_ = new MyVideoPanel(placement.controlId, this);
                engine_->setGeometry(placement.rect.left, placement.rect.top, placement.rect.Width(),
                                     placement.rect.Height());
                engine_->hide();
                return *engine_;
            }
            auto* panel = new MyVideoPanel(placement.controlId, videoArea);
            panel->setGeometry(placement.rect.left - kAreaLeft, placement.rect.top - kAreaTop,
                               placement.rect.Width(), placement.rect.Height());
            panel->show();
            panels_.push_back(panel);
            return *panel;
        });
    Open();
}

CVideoPlaySdk::~CVideoPlaySdk() {
    // The poll thread ends before anything it reports into goes.
    poller_.reset();
    StopVideo();
}

namespace {

// The handler whose failure a reading command's no-answer is logged as.
const char* ReadOperation(const std::string& command) {
    if (command == "getvideoparam" || command == "getpwfreque") return "GetInitParam";
    if (command == "getAutoAwbType") return "getAutoAwbType";
    if (command == "getaudio") return "GetInitAudio";
    return "GetInitColorParam";
}

}  // namespace

void CVideoPlaySdk::Open() {
    // The dialog is not up yet: the window that opened it takes no input meanwhile.
    QWidget* busy = parentWidget() != nullptr ? parentWidget()->window() : this;
    video::WriteResult read;
    try {
        RunModalWork(busy, [this, &read] {
            read = tuning_.ReadAll(video::ReadOrder::Opening);
            // Give the camera a moment after the reads before the poll and the video start.
            std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
        }, BusyDescription("正在读取 %1 的图像参数", "Reading the image settings of %1", target_.ip));
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "GetInitParam Unknow Exception occur!::%d", errno);
    }
    for (const video::CommandOutcome& outcome : read.sent) {
        if (!outcome.NoAnswer()) continue;
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "%s Unknow Exception occur!::%d",
                 ReadOperation(outcome.command), errno);
        break;  // the rest were not sent
    }
    FillParams();

    noAnswer_ = read.NothingAnswered();
    ShowStatus(noAnswer_ ? video::NoAnswerStatusTexts(language_) : video::UnknownStatusTexts());
    WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "开启检测执行线程");
    // Reports reach the fields through the event loop; the poll thread touches no widget.
    const auto report = [this](const video::StatusPoll& poll) {
        QMetaObject::invokeMethod(this, [this, poll] { PollReported(poll); }, Qt::QueuedConnection);
    };
    poller_ = std::make_unique<video::DeviceStatusPoller>(target_, language_, report);

    try {
        liveView_->StartAll(ip_);
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "Start Video SUCC!!");
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "Start Unknow Exception occur!::%d", errno);
    }
    liveView_->Select(tuning_.Channel());
}

void CVideoPlaySdk::PollReported(const video::StatusPoll& poll) {
    // A camera that answered nothing keeps saying so until a poll gets an answer.
    if (noAnswer_ && poll.outcome.NoAnswer()) return;
    noAnswer_ = false;
    ShowStatus(poll.texts);
}

void CVideoPlaySdk::StopVideo() {
    if (!liveView_ || !liveView_->Playing()) return;
    try {
        liveView_->StopAll([](int) {
            QThread::msleep(kStopPauseMs);
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "StopPlay SUCC!!");
        });
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "Stop Unknow Exception occur!::%d", errno);
    }
}

void CVideoPlaySdk::done(int result) {
    // A window closed while a PTZ button is held would leave the head turning.
    if (ptzHeld_) PtzReleased();
    StopVideo();
    QDialog::done(result);
}

QWidget* CVideoPlaySdk::Control(int id) const { return findChild<QWidget*>(QString::number(id)); }
QSlider* CVideoPlaySdk::Slider(int id) const { return findChild<QSlider*>(QString::number(id)); }
QComboBox* CVideoPlaySdk::Combo(int id) const { return findChild<QComboBox*>(QString::number(id)); }
QCheckBox* CVideoPlaySdk::Check(int id) const { return findChild<QCheckBox*>(QString::number(id)); }
QLineEdit* CVideoPlaySdk::Edit(int id) const { return findChild<QLineEdit*>(QString::number(id)); }
QPushButton* CVideoPlaySdk::Button(int id) const { return findChild<QPushButton*>(QString::number(id)); }

QLabel* CVideoPlaySdk::AddLabel(int id, const char* zh, const char* en) {
    auto* label = new QLabel(QString::fromUtf8(language_ == Language::English ? en : zh));
    return id > 0 ? Named(label, id) : label;
}

QPushButton* CVideoPlaySdk::AddButton(int id, const char* zh, const char* en) {
    auto* button = Named(new QPushButton(QString::fromUtf8(language_ == Language::English ? en : zh)), id);
    // Enter belongs to the edits: it must never click a button (restore defaults, a PTZ move).
    button->setAutoDefault(false);
    return button;
}

QCheckBox* CVideoPlaySdk::AddCheck(int id, const char* zh, const char* en) {
    return Named(new QCheckBox(QString::fromUtf8(language_ == Language::English ? en : zh)), id);
}

QGroupBox* CVideoPlaySdk::BuildStatusPanel() {
    struct Field {
        int id;
        const char* zh;
        const char* en;
    };
    static constexpr Field kFields[] = {
        {1110, "SD卡:", "SD:"}, {1112, "reset:", "reset:"}, {1103, "报警1:", "Alarm1:"}, {1114, "报警2:", "Alarm2:"}};
    auto* group = new QGroupBox;
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const Field& field : kFields) {
        auto* edit = Named(new QLineEdit, field.id);
        edit->setReadOnly(true);
        grid->addWidget(AddLabel(0, field.zh, field.en), row, 0);
        grid->addWidget(edit, row++, 1);
    }
    return group;
}

void CVideoPlaySdk::ShowStatus(const video::DeviceStatusTexts& texts) {
    Edit(1110)->setText(QString::fromStdString(texts.sdCard));
    Edit(1112)->setText(QString::fromStdString(texts.resetButton));
    Edit(1103)->setText(QString::fromStdString(texts.alarm1));
    Edit(1114)->setText(QString::fromStdString(texts.alarm2));
}

}  // namespace ostrand
