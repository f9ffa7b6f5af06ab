// The preview's pan/tilt/zoom panel: a movement runs while its button is held
// (press sends it, release sends the stop); presets and cruise are clicks.

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cerrno>
#include <utility>

#include "platform/message_sink.h"

#include "platform/log.h"
#include "ui/video/cvideo_play_sdk.h"

namespace ostrand {

namespace {

struct MoveButton {
    int id;
    const char* zh;
    const char* en;
    video::PtzMove move;
    int row;
    int column;
};

// The direction pad, then zoom, focus and iris pairs with their labels.
constexpr MoveButton kMoveButtons[] = {
    {1128, "上", "U", video::PtzMove::Up, 0, 1},          {1136, "左", "L", video::PtzMove::Left, 1, 0},
    {1134, "右", "R", video::PtzMove::Right, 1, 2},       {1131, "下", "D", video::PtzMove::Down, 2, 1},
    {1142, "长", "L", video::PtzMove::ZoomLong, 4, 0},    {1144, "短", "S", video::PtzMove::ZoomShort, 4, 2},
    {1146, "远", "F", video::PtzMove::FocusFar, 5, 0},    {1148, "近", "N", video::PtzMove::FocusNear, 5, 2},
    {1150, "大", "B", video::PtzMove::IrisBig, 6, 0},     {1153, "小", "S", video::PtzMove::IrisSmall, 6, 2},
};

}  // namespace

QGroupBox* CVideoPlaySdk::BuildPtzPanel() {
    const bool english = language_ == Language::English;
    auto* box = new QGroupBox;
    auto* column = new QVBoxLayout(box);

    auto* control = Named(new QGroupBox(QString::fromUtf8(english ? "PTZ Controller" : "云台控制")), 1241);
    auto* grid = new QGridLayout(control);
    for (const MoveButton& b : kMoveButtons) {
        QPushButton* button = AddButton(b.id, b.zh, b.en);
        button->setFixedWidth(40);
        grid->addWidget(button, b.row, b.column);
        const video::PtzMove move = b.move;
        connect(button, &QPushButton::pressed, this, [this, move] { PtzPressed(move); });
        connect(button, &QPushButton::released, this, [this] { PtzReleased(); });
    }
    grid->addWidget(AddLabel(1243, "变倍", "Zoom"), 4, 1, Qt::AlignCenter);
    grid->addWidget(AddLabel(1244, "焦距", "Focal"), 5, 1, Qt::AlignCenter);
    grid->addWidget(AddLabel(1245, "光圈", "Iris"), 6, 1, Qt::AlignCenter);
    auto* speedRow = new QGridLayout;
    auto* speed = Named(new QSlider(Qt::Horizontal), 1138);
    speed->setRange(0, video::kPtzSpeedMax);
    speed->setValue(video::kPtzSpeedStart);
    speedRow->addWidget(AddLabel(1242, "转速 -", "Speed-"), 0, 0);
    speedRow->addWidget(speed, 0, 1);
    speedRow->addWidget(new QLabel("+"), 0, 2);
    grid->addLayout(speedRow, 3, 0, 1, 3);
    column->addWidget(control);

    auto* advanced = Named(new QGroupBox(QString::fromUtf8(english ? "PTZ Hight Controller" : "云台控制高级设置")), 1246);
    auto* more = new QGridLayout(advanced);
    auto* preset = Named(new QComboBox, 1156);
    for (int n = video::kPresetFirst; n <= video::kPresetLast; ++n) preset->addItem(QString::number(n));
    preset->setCurrentIndex(0);
    auto* track = Named(new QComboBox, 1158);
    for (int n = 1; n <= video::kTrackCount; ++n) track->addItem(QString::fromUtf8(video::TrackEntryText(n)));
    track->setCurrentIndex(1);  // entry 1 (positions count from 0): 轨道2(17-32)
    more->addWidget(AddLabel(1247, "预置位:", "Preset:"), 0, 0);
    more->addWidget(preset, 0, 1);
    more->addWidget(AddLabel(1248, "轨    道:", "Track:"), 1, 0);
    more->addWidget(track, 1, 1);
    struct PresetButton {
        int id;
        const char* zh;
        const char* en;
        video::PresetAction action;
    };
    static constexpr PresetButton kPresetButtons[] = {
        {1161, "移置预置位", "MV Preset", video::PresetAction::MoveTo},
        {1164, "添加预置位", "Add Preset", video::PresetAction::Add},
        {1163, "删除预置位", "Del Preset", video::PresetAction::Delete},
        {1165, "删除所有预置位", "Del ALL Preset", video::PresetAction::DeleteAll},
    };
    auto* cruise = AddButton(1160, "巡航", "Cruise");
    connect(cruise, &QPushButton::clicked, this, [this] { CruiseClicked(); });
    more->addWidget(cruise, 2, 0);
    int at = 1;  // after the cruise button, two to a row
    for (const PresetButton& p : kPresetButtons) {
        QPushButton* button = AddButton(p.id, p.zh, p.en);
        const video::PresetAction action = p.action;
        connect(button, &QPushButton::clicked, this, [this, action] { PresetClicked(action); });
        more->addWidget(button, 2 + at / 2, at % 2);
        ++at;
    }
    column->addWidget(advanced);
    return box;
}

void CVideoPlaySdk::PtzFailure(const char* operation, const video::CommandOutcome& outcome) {
    if (outcome.NoAnswer()) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "%s Unknow Exception occur!::%d", operation, errno);
    }
    if (const std::string shown = video::ShownFailure(outcome); !shown.empty()) ShowMessage(shown);
}

// PTZ commands go out directly on the GUI thread: a press and its release
// must reach the camera in that order, and a modal wait could swallow the
// release while the press is on its way. A failed movement is shown once the
// button is up, so the message box cannot take the release from it.
void CVideoPlaySdk::PtzPressed(video::PtzMove move) {
    ptzHeld_ = true;
    heldFailure_.clear();
    try {
        const video::CommandOutcome outcome = video::SendPtzMove(target_, move, Slider(1138)->value());
        if (outcome.NoAnswer()) {
            WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "ClickedButtonType Unknow Exception occur!::%d", errno);
        }
        heldFailure_ = video::ShownFailure(outcome);
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "ClickedButtonType Unknow Exception occur!::%d", errno);
    }
}

void CVideoPlaySdk::PtzReleased() {
    ptzHeld_ = false;
    const std::string pressFailure = std::exchange(heldFailure_, std::string());
    try {
        const video::CommandOutcome outcome = video::SendPtzStop(target_);
        if (!pressFailure.empty()) ShowMessage(pressFailure);
        PtzFailure("ClickedButtonStopPtz", outcome);
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "ClickedButtonStopPtz Unknow Exception occur!::%d", errno);
    }
}

void CVideoPlaySdk::PresetClicked(video::PresetAction action) {
    try {
        PtzFailure("ClickedButtonSetPreseting",
                   video::SendPreset(target_, action, Combo(1156)->currentText().toInt()));
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "ClickedButtonSetPreseting Unknow Exception occur!::%d", errno);
    }
}

void CVideoPlaySdk::CruiseClicked() {
    try {
        PtzFailure("ClickedButtonSetPreseting", video::SendCruise(target_, Combo(1158)->currentIndex() + 1));
    } catch (...) {
        WriteLog(OSTRAND_LOG_VIDEO_PLAY, __LINE__, "ClickedButtonSetPreseting Unknow Exception occur!::%d", errno);
    }
}

}  // namespace ostrand
