#pragma once
// "视频浏览": the preview of a port-80 camera. Live-view panels on the left,
// the image and encoding parameters of the chosen channel in the middle, the
// pan/tilt/zoom controls and the status fields on the right. Every control
// reads its value when the dialog opens or the channel changes and writes a
// change back at once; the status fields are polled on a thread of their own.

#include <QDialog>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ops/video/camera_tuning.h"
#include "ops/video/live_view.h"
#include "ops/video/ptz_control.h"
#include "ops/video/status_poller.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace ostrand {

class MyVideoPanel;

class CVideoPlaySdk : public QDialog {
    Q_OBJECT

public:
    static constexpr int kStopPauseMs = 50;
    static constexpr int kSettleMs = 500;

    // `ip` is the row's IP text (GBK, plain ASCII for a camera), `port` its
    // command port, `channels` its video channel count.
    CVideoPlaySdk(std::string ip, std::int32_t port, int channels, QWidget* parent = nullptr);
    ~CVideoPlaySdk() override;

    // Controls by their ids (1004, 1061 ... 1168; panels 3000 + i).
    QWidget* Control(int id) const;
    QSlider* Slider(int id) const;
    QComboBox* Combo(int id) const;
    QCheckBox* Check(int id) const;
    QLineEdit* Edit(int id) const;
    QPushButton* Button(int id) const;
    const std::vector<MyVideoPanel*>& Panels() const { return panels_; }
    const video::LiveView& LiveView() const { return *liveView_; }
    const video::DeviceStatusPoller* StatusPoller() const { return poller_.get(); }

    // Closing stops every started panel first.
    void done(int result) override;

private:
    // Opening, in order; the reads and the settling pause run off the GUI thread.
    void Open();
    void StopVideo();

    // The parameter panel (video_param_panel.cpp).
    QGroupBox* BuildParamPanel();
    void FillParams();
    void ReadChannel(int channel);
    // Runs one user action off the GUI thread; actions asked for meanwhile run
    // after it, in order. The keyboard focus stays where it was. An action
    // that got no answer is logged as `operation`'s failure.
    void RunWrite(const char* operation, std::function<video::WriteResult()> write, bool refill = true);
    void RunPendingWrites();
    void SliderChanged(int id, int value);
    void ColourReleased(video::ColourControl control, int value);
    void GainReleased(video::AwbGain gain, int value);
    void DayReleased(int day);
    void NightReleased(int night);
    void ExposureReleased(int value);
    void EditEntered(video::EditField field);
    void RestoreDefaults();

    // The PTZ panel (ptz_panel.cpp).
    QGroupBox* BuildPtzPanel();
    void PtzPressed(video::PtzMove move);
    void PtzReleased();
    void PresetClicked(video::PresetAction action);
    void CruiseClicked();

    QGroupBox* BuildStatusPanel();
    void ShowStatus(const video::DeviceStatusTexts& texts);
    void PollReported(const video::StatusPoll& poll);
    // A PTZ command's failure: shown as the form channel shows it, logged as
    // `operation`'s failure when there was no answer.
    void PtzFailure(const char* operation, const video::CommandOutcome& outcome);

    // Helpers that name a control by its id (objectName) and caption it.
    QSlider* AddSlider(QGridLayout* grid, int row, int id, int valueId, const char* zh, const char* en, int low,
                       int high, const char* format);
    QLabel* AddLabel(int id, const char* zh, const char* en);
    QPushButton* AddButton(int id, const char* zh, const char* en);
    QCheckBox* AddCheck(int id, const char* zh, const char* en);
    template <class T>
    static T* Named(T* widget, int id) {
        widget->setObjectName(QString::number(id));
        return widget;
    }

    std::string ip_;
    CommandTarget target_;
    int channels_;
    Language language_;
    video::CameraTuning tuning_;
    bool filling_ = false;  // controls are being set from read values
    MyVideoPanel* engine_ = nullptr;
    std::vector<MyVideoPanel*> panels_;
    std::unique_ptr<video::LiveView> liveView_;
    std::unique_ptr<video::DeviceStatusPoller> poller_;
    bool ptzHeld_ = false;  // a movement was sent and its stop not yet
    std::string heldFailure_;  // the movement's failure, shown once the button is up
    bool noAnswer_ = false;  // the opening reads got no answer: the status fields say so
    struct PendingWrite {
        const char* operation;
        std::function<video::WriteResult()> write;
        bool refill;
    };
    std::deque<PendingWrite> pending_;
    bool writing_ = false;
};

}  // namespace ostrand
