#include "ui/attendance/cphoto_ipc_server.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/attendance/server_settings.h"

namespace ostrand {

CPhotoIpcServer::CPhotoIpcServer(const DeviceEndpoint& endpoint, QWidget* parent)
    : TerminalDialog(endpoint, "设置拍照IPC服务器地址", parent) {
    auto* grid = new QGridLayout(this);
    ip_ = Named(new QLineEdit, 1295);
    grid->addWidget(new QLabel("IP地址："), 0, 0);
    grid->addWidget(ip_, 0, 1, 1, 2);
    auto* save = Named(new QPushButton("确定"), 1);
    auto* cancel = Named(new QPushButton("取消"), 2);
    grid->addWidget(save, 1, 1);
    grid->addWidget(cancel, 1, 2);
    connect(save, &QPushButton::clicked, this, &CPhotoIpcServer::Save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CPhotoIpcServer::Load() {
    const PhotoIpcServerRead read = Run([&] { return ReadPhotoIpcServer(Endpoint()); }, Busy::Reading);
    Show(read.outcome);
    ip_->setText(DeviceQString(read.ip));
}

void CPhotoIpcServer::Save() {
    const auto ip = Typed(ip_);
    if (!ip) return;
    const TerminalOutcome outcome = Run([&] { return WritePhotoIpcServer(Endpoint(), *ip); });
    Show(outcome);
    if (outcome.Succeeded()) accept();
}

}  // namespace ostrand
