#pragma once
// Long-range card reading: how many times and how long the reader tries.

#include "ui/attendance/terminal_dialog.h"

namespace ostrand {

class CRemoteCardParam : public TerminalDialog {
public:
    explicit CRemoteCardParam(const DeviceEndpoint& endpoint, QWidget* parent = nullptr);
    // Reads the values; false when the read failed and the dialog must end.
    bool Load();

private:
    void Save();

    QLineEdit* count_ = nullptr;
    QLineEdit* time_ = nullptr;
};

}  // namespace ostrand
