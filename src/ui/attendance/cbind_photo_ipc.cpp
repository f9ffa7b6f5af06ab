#include "ui/attendance/cbind_photo_ipc.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ostrand {

namespace {

constexpr std::array<int, kBindChannelSlots> kChannelIds{1296, 1298, 1299, 1300, 1301, 1302, 1303, 1304};

}  // namespace

CBindPhotoIpc::CBindPhotoIpc(const DeviceEndpoint& endpoint, CommandCode code, std::string ownNumber,
                             QWidget* parent)
    : TerminalDialog(endpoint, code == kBindSignInCodeCode ? "绑定二维码" : "绑定拍照IPC", parent),
      code_(code),
      ownNumber_(std::move(ownNumber)) {
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < kBindChannelSlots; ++i) {
        auto* label = new QLabel(QString("通道%1:").arg(i + 1));
        channels_[i] = Named(new QLineEdit, kChannelIds[i]);
        grid->addWidget(label, i, 0);
        grid->addWidget(channels_[i], i, 1, 1, 2);
        // Channels 5-8 are filled from the device but never shown or sent.
        if (i >= kBindChannels) {
            label->hide();
            channels_[i]->hide();
        }
    }
    note_ = Named(new QLabel(code == kBindSignInCodeCode ? "(注意:二维码不可重复,未绑定的通道,请放空)"
                                                         : "(注意:未绑定的通道,设备编号请放空)"),
                  1315);
    grid->addWidget(note_, kBindChannelSlots, 0, 1, 3);
    auto* save = Named(new QPushButton("确定"), 1);
    auto* cancel = Named(new QPushButton("取消"), 2);
    grid->addWidget(save, kBindChannelSlots + 1, 1);
    grid->addWidget(cancel, kBindChannelSlots + 1, 2);
    connect(save, &QPushButton::clicked, this, &CBindPhotoIpc::Save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CBindPhotoIpc::Load() {
    const BindingsRead read = Run([&] { return ReadBindings(Endpoint(), code_); }, Busy::Reading);
    Show(read.outcome);
    if (!read.outcome.Succeeded()) return false;
    for (std::size_t i = 0; i < read.channels.size(); ++i) {
        if (!read.channels[i].empty()) channels_[i]->setText(DeviceQString(read.channels[i]));
    }
    return true;
}

void CBindPhotoIpc::Save() {
    ChannelBindings channels;
    for (int i = 0; i < kBindChannels; ++i) {
        auto text = Typed(channels_[i]);
        if (!text) return;
        channels[i] = *text;
    }
    const TerminalOutcome outcome = Run([&] { return WriteBindings(Endpoint(), code_, channels, ownNumber_); });
    Show(outcome);
    if (outcome.Succeeded()) accept();
}

}  // namespace ostrand
