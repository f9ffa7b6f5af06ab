#pragma once
// "考勤机参数设置": the terminal's door auto-lock time and TF-card alarm, the
// accessible-channel gate controller, gate and face-recognition channels,
// face gate mode, wireless speaker repeat count and recognition interval.

#include <array>

#include "ui/attendance/terminal_dialog.h"

class QCheckBox;
class QGridLayout;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ostrand {

class CAttendAlarm : public TerminalDialog {
public:
    explicit CAttendAlarm(const DeviceEndpoint& endpoint, QWidget* parent = nullptr);

    // The opening read of the door and alarm values (5022).
    void Load();

private:
    void BuildDoorAndAlarm(QGridLayout* grid);
    void BuildGateController(QGridLayout* grid);
    void BuildGateChannels(QGridLayout* grid);
    void BuildFaceChannels(QGridLayout* grid);
    void BuildSmallGroups(QGridLayout* grid);

    void SaveDoorAndAlarm();
    void ClickGateIn(int channel);
    void ClickGateOut(int channel);
    void ClickFace(int channel, bool outbound);

    QLineEdit* unlockTime_ = nullptr;
    QComboBox* alarm_ = nullptr;
    QLineEdit* currentAddress_ = nullptr;
    QLineEdit* newAddress_ = nullptr;
    QLineEdit* direction_ = nullptr;
    std::array<QRadioButton*, 4> gateIn_{};
    std::array<QRadioButton*, 4> gateOut_{};
    std::array<QCheckBox*, 4> gateSound_{};
    std::array<QRadioButton*, 4> faceIn_{};
    std::array<QRadioButton*, 4> faceOut_{};
    QRadioButton* mode10_ = nullptr;
    QRadioButton* mode20_ = nullptr;
    QComboBox* repeat_ = nullptr;
    QLineEdit* interval_ = nullptr;
};

}  // namespace ostrand
