#pragma once
// The password dialog: old, new and repeated password in masked edits of at
// most 32 characters. The mode (hashed or plain) is decided by the opener
// from the device's version text.

#include <QDialog>

#include <cstdint>
#include <string>

#include "ops/maintenance/password_rules.h"
#include "transport/form_channel.h"

class QLineEdit;
class QPushButton;

namespace ostrand {

class CModifyPasswd : public QDialog {
    Q_OBJECT
public:
    CModifyPasswd(const std::string& ip, std::int32_t port, PasswordMode mode, QWidget* parent = nullptr);

    PasswordMode Mode() const { return mode_; }
    QLineEdit* OldEdit() const { return old_; }        // 1174
    QLineEdit* NewEdit() const { return new_; }        // 1175
    QLineEdit* RepeatEdit() const { return repeat_; }  // 1176
    QPushButton* OkButton() const { return ok_; }

public slots:
    void OnOk();

private:
    CommandTarget target_;
    PasswordMode mode_;
    QLineEdit* old_ = nullptr;
    QLineEdit* new_ = nullptr;
    QLineEdit* repeat_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace ostrand
