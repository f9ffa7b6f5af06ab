#pragma once
// The "无线音箱" tab: the terminal's classes (CShowClassInfo) or, from build
// 237 on, its places with their classes (CShowClassInfoNew), with the bound
// speaker numbers, speaker volume, radio band and speaker test.

#include <QWidget>

#include "ops/peripherals/speaker_rules.h"
#include "transport/tcp_channel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;

namespace ostrand {

class SpeakerClassPage : public QWidget {
    Q_OBJECT

public:
    SpeakerClassPage(DeviceEndpoint terminal, bool places, QWidget* parent = nullptr);

    bool Places() const { return places_; }
    bool Loaded() const { return loaded_; }
    QTableWidget* List() const { return list_; }
    QComboBox* SpeakerChoice() const { return speaker_; }
    QComboBox* TestSpeakerChoice() const { return testSpeaker_; }
    QSlider* Volume() const { return volume_; }
    QSlider* RadioBand() const { return band_; }
    QPushButton* TestToggle() const { return test_; }
    QLineEdit* Related() const { return related_; }
    QLabel* RelatedLabel() const { return relatedLabel_; }

    void Load();  // the list request of the page's kind
    void ChooseSpeaker(int speaker);
    void SendVolume();
    void SendRadioBand();
    void ToggleTest(bool on);
    void BindRow();  // "绑定"
    // Stops a running speaker test (the dialog closes).
    void StopTest();

private:
    DeviceEndpoint terminal_;
    bool places_;
    bool loaded_ = false;
    std::vector<SpeakerClassRow> Rows() const;
    QTableWidget* list_ = nullptr;
    QComboBox* speaker_ = nullptr;
    QComboBox* testSpeaker_ = nullptr;
    QSlider* volume_ = nullptr;
    QSlider* band_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QLabel* bandLabel_ = nullptr;
    QLabel* relatedLabel_ = nullptr;
    QLineEdit* related_ = nullptr;
    QPushButton* test_ = nullptr;
};

// The older page: classes alone.
class CShowClassInfo final : public SpeakerClassPage {
    Q_OBJECT
public:
    explicit CShowClassInfo(DeviceEndpoint terminal, QWidget* parent = nullptr)
        : SpeakerClassPage(std::move(terminal), false, parent) {}
};

// The newer page: places and their classes.
class CShowClassInfoNew final : public SpeakerClassPage {
    Q_OBJECT
public:
    explicit CShowClassInfoNew(DeviceEndpoint terminal, QWidget* parent = nullptr)
        : SpeakerClassPage(std::move(terminal), true, parent) {}
};

}  // namespace ostrand
