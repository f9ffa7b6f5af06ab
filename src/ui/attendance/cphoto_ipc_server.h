#pragma once
// "设置拍照IPC服务器地址": the server address of a terminal's capture IPCs.

#include "ui/attendance/terminal_dialog.h"

class QLineEdit;

namespace ostrand {

class CPhotoIpcServer : public TerminalDialog {
public:
    explicit CPhotoIpcServer(const DeviceEndpoint& endpoint, QWidget* parent = nullptr);
    void Load();  // 5037

private:
    void Save();

    QLineEdit* ip_ = nullptr;
};

}  // namespace ostrand
