#pragma once
// The device's five NTP servers: the table read at opening, one entry shown
// at a time, 修改 stores the edits into the table, OK sends the whole table.

#include <QDialog>

#include "transport/param_map.h"
#include "transport/tcp_channel.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace ostrand {

class CSetNtpServer : public QDialog {
    Q_OBJECT

public:
    CSetNtpServer(DeviceEndpoint endpoint, QWidget* parent = nullptr);

    QComboBox* Entries() const { return entries_; }
    QLineEdit* ServerEdit() const { return server_; }
    QLineEdit* PortEdit() const { return port_; }
    QPushButton* ModifyButton() const { return modify_; }
    QPushButton* OkButton() const { return ok_; }
    const ParamMap& Table() const { return table_; }
    bool Loaded() const { return loaded_; }

    void Load();
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowEntry(int entry);
    void StoreEdits();

    DeviceEndpoint endpoint_;
    ParamMap table_;
    QComboBox* entries_ = nullptr;
    QLineEdit* server_ = nullptr;
    QLineEdit* port_ = nullptr;
    QPushButton* modify_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool opened_ = false;
    bool loaded_ = false;
};

}  // namespace ostrand
