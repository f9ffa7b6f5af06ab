#pragma once
// "音箱配置": the wireless speaker page (classes, or places from build 237 on)
// and the network amplifier page, each on a tab.

#include <QDialog>

#include "transport/tcp_channel.h"

class QTabWidget;

namespace ostrand {

class BindNetPower;
class SpeakerClassPage;

class AudioCfg : public QDialog {
    Q_OBJECT

public:
    // The terminal's version must have been recorded (RecordSpeakerVersion)
    // before: it chooses the wireless page and gates the amplifier tab.
    explicit AudioCfg(DeviceEndpoint terminal, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs_; }
    SpeakerClassPage* WirelessPage() const { return wireless_; }
    BindNetPower* AmplifierPage() const { return amplifiers_; }

    void done(int result) override;

private:
    void TabChanged(int index);

    QTabWidget* tabs_ = nullptr;
    SpeakerClassPage* wireless_ = nullptr;
    BindNetPower* amplifiers_ = nullptr;
    bool switching_ = false;
};

}  // namespace ostrand
