#pragma once
// The device name dialog: the old name read-only, the new one typed; OK checks
// and sends it, and the dialog closes once the device has been asked.

#include <QDialog>

#include <cstdint>
#include <string>

#include "transport/form_channel.h"

class QLineEdit;
class QPushButton;

namespace ostrand {

class CDevMaskMessage : public QDialog {
    Q_OBJECT
public:
    // `oldNameGbk` as the device list holds it.
    CDevMaskMessage(const std::string& ip, std::int32_t port, const std::string& oldNameGbk,
                    QWidget* parent = nullptr);

    // The device accepted the new name (then NewName holds it, GBK).
    bool Changed() const { return changed_; }
    const std::string& NewName() const { return newName_; }

    QLineEdit* OldNameEdit() const { return oldName_; }
    QLineEdit* NewNameEdit() const { return newNameEdit_; }
    QPushButton* OkButton() const { return ok_; }

public slots:
    void OnOk();

private:
    CommandTarget target_;
    bool changed_ = false;
    std::string newName_;
    QLineEdit* oldName_ = nullptr;
    QLineEdit* newNameEdit_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace ostrand
