#pragma once
// "绑定拍照IPC": capture IPCs bound by device number to a terminal's channels;
// opened for code 5042 it is "绑定二维码", the gate sign-in QR codes.

#include <array>

#include "ops/attendance/device_bindings.h"
#include "ui/attendance/terminal_dialog.h"

class QLabel;

namespace ostrand {

class CBindPhotoIpc : public TerminalDialog {
public:
    // `ownNumber`: the terminal's device number (empty for the QR variant).
    CBindPhotoIpc(const DeviceEndpoint& endpoint, CommandCode code, std::string ownNumber,
                  QWidget* parent = nullptr);
    // Reads the bindings; false when the read failed and the dialog must end.
    bool Load();

private:
    void Save();

    CommandCode code_;
    std::string ownNumber_;
    std::array<QLineEdit*, kBindChannelSlots> channels_{};
    QLabel* note_ = nullptr;
};

}  // namespace ostrand
