#pragma once
// The RS-485 port's use: attendance machine or pan/tilt head. Reads the
// device's choice when it opens; OK writes the chosen entry and closes.

#include <QDialog>

#include "transport/tcp_channel.h"

class QComboBox;
class QPushButton;

namespace ostrand {

class CSetComType : public QDialog {
    Q_OBJECT

public:
    CSetComType(DeviceEndpoint endpoint, QWidget* parent = nullptr);

    QComboBox* TypeList() const { return types_; }
    QPushButton* OkButton() const { return ok_; }
    bool Loaded() const { return loaded_; }

    void Load();
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    DeviceEndpoint endpoint_;
    QComboBox* types_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool opened_ = false;
    bool loaded_ = false;
};

}  // namespace ostrand
