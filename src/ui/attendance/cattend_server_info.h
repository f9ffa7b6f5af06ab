#pragma once
// "配置考勤服务器地址": the attendance server a terminal reports to, or none.

#include "ui/attendance/terminal_dialog.h"

class QCheckBox;
class QLineEdit;

namespace ostrand {

class CAttendServerInfo : public TerminalDialog {
public:
    explicit CAttendServerInfo(const DeviceEndpoint& endpoint, QWidget* parent = nullptr);
    void Load();  // 5020

private:
    void SelfRunClicked();
    void Save();

    QCheckBox* selfRun_ = nullptr;
    QLineEdit* ip_ = nullptr;
    QLineEdit* port_ = nullptr;
};

}  // namespace ostrand
