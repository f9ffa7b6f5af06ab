#pragma once
// "绑定访客机": the visitor machines a terminal knows, ticked to bind them.

#include "ui/attendance/terminal_dialog.h"

class QTableWidget;

namespace ostrand {

class BindVisitorDev : public TerminalDialog {
public:
    // `version`: the terminal's version text as the device list shows it.
    BindVisitorDev(const DeviceEndpoint& endpoint, std::string version, QWidget* parent = nullptr);

    QTableWidget* List() const { return list_; }
    void Search();
    void Bind();

private:
    std::string version_;
    QTableWidget* list_ = nullptr;
};

}  // namespace ostrand
