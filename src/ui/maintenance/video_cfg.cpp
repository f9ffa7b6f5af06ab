#include "ui/maintenance/video_cfg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/shell/progress_dlg.h"

namespace ostrand {
namespace {

SwitchChoice ChoiceOf(const QRadioButton* on, const QRadioButton* off) {
    if (on->isChecked()) return SwitchChoice::On;
    if (off->isChecked()) return SwitchChoice::Off;
    return SwitchChoice::None;
}

}  // namespace

CVideoCfg::CVideoCfg(DeviceEndpoint endpoint, QWidget* parent) : QDialog(parent), endpoint_(std::move(endpoint)) {
    setWindowTitle(QStringLiteral("功能开关"));
    const auto group = [this](const char* title, QRadioButton*& on, QRadioButton*& off, const char* name) {
        auto* box = new QGroupBox(QString::fromUtf8(title), this);
        on = new QRadioButton(QStringLiteral("开"), box);
        off = new QRadioButton(QStringLiteral("关"), box);
        on->setObjectName(QStringLiteral("%1On").arg(name));
        off->setObjectName(QStringLiteral("%1Off").arg(name));
        auto* buttons = new QButtonGroup(box);
        buttons->addButton(on);
        buttons->addButton(off);
        auto* row = new QHBoxLayout(box);
        row->addWidget(on);
        row->addWidget(off);
        row->addStretch();
        return std::pair{box, row};
    };
    auto [stream, streamRow] = group("视频流开关", streamOn_, streamOff_, "stream");
    streamSet_ = new QPushButton(QStringLiteral("设置"), stream);
    streamSet_->setObjectName("streamSet");
    streamSet_->setDefault(true);
    streamRow->addWidget(streamSet_);
    auto [debug, debugRow] = group("调试日志开关", debugOn_, debugOff_, "debug");
    debugGet_ = new QPushButton(QStringLiteral("获取(&G)"), debug);
    debugGet_->setObjectName("debugGet");
    debugSet_ = new QPushButton(QStringLiteral("设置(&S)"), debug);
    debugSet_->setObjectName("debugSet");
    debugRow->addWidget(debugGet_);
    debugRow->addWidget(debugSet_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stream);
    layout->addWidget(debug);

    connect(streamSet_, &QPushButton::clicked, this, &CVideoCfg::SetStream);
    connect(debugGet_, &QPushButton::clicked, this, &CVideoCfg::GetDebugLog);
    connect(debugSet_, &QPushButton::clicked, this, &CVideoCfg::SetDebugLog);
}

QString CVideoCfg::Busy(bool reading) const {
    return reading ? BusyDescription("正在读取 %1 的功能开关", "Reading the switches of %1", endpoint_.ip)
                   : BusyDescription("正在设置 %1 的功能开关", "Setting the switches of %1", endpoint_.ip);
}

void CVideoCfg::SetStream() {
    const SwitchChoice choice = ChoiceOf(streamOn_, streamOff_);
    RunModalWork(this, [this, choice] { SetStreamSwitch(endpoint_, choice); }, Busy(false));
    accept();
}

void CVideoCfg::GetDebugLog() {
    DebugLogState state;
    RunModalWork(this, [this, &state] { state = ReadDebugLog(endpoint_); }, Busy(true));
    if (state.choice == SwitchChoice::On) debugOn_->setChecked(true);
    if (state.choice == SwitchChoice::Off) debugOff_->setChecked(true);
}

void CVideoCfg::SetDebugLog() {
    const SwitchChoice choice = ChoiceOf(debugOn_, debugOff_);
    RunModalWork(this, [this, choice] { WriteDebugLog(endpoint_, choice); }, Busy(false));
}

}  // namespace ostrand
