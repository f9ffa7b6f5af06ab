#include "ui/peripherals/audio_cfg.h"

#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ops/peripherals/speaker_rules.h"
#include "ops/shell/speaker_build.h"
#include "platform/message_sink.h"
#include "ui/peripherals/bind_net_power.h"
#include "ui/peripherals/speaker_class_page.h"

namespace ostrand {

AudioCfg::AudioCfg(DeviceEndpoint terminal, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("音箱配置"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("tab1332");
    if (PlaceMode()) wireless_ = new CShowClassInfoNew(terminal, tabs_);
    else wireless_ = new CShowClassInfo(terminal, tabs_);
    amplifiers_ = new BindNetPower(terminal, tabs_);
    tabs_->addTab(wireless_, QString::fromUtf8("无线音箱"));
    tabs_->addTab(amplifiers_, QString::fromUtf8("网络功放"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    resize(1020, 520);
    connect(tabs_, &QTabWidget::currentChanged, this, &AudioCfg::TabChanged);
    // The wireless page reads the terminal once the window is up.
    QTimer::singleShot(0, wireless_, &SpeakerClassPage::Load);
}

void AudioCfg::TabChanged(int index) {
    if (switching_ || index != 1) return;
    if (!AmplifierTabAllowed(CurrentSpeakerBuild().versionText)) {
        ShowMessage("版本不支持!");
        switching_ = true;
        tabs_->setCurrentIndex(0);
        switching_ = false;
        return;
    }
    amplifiers_->Refresh();
}

void AudioCfg::done(int result) {
    // A speaker test left running on the older page is stopped on the way out.
    if (!wireless_->Places()) wireless_->StopTest();
    QDialog::done(result);
}

}  // namespace ostrand
