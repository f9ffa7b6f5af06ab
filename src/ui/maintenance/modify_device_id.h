#pragma once
// Device number and product model: both edits start with the list's values;
// OK checks them and sends the model, then the number. The dialog closes
// only when the device took both.

#include <QDialog>

#include <cstdint>
#include <string>

#include "transport/form_channel.h"

class QLineEdit;
class QPushButton;

namespace ostrand {

class ModifyDeviceId : public QDialog {
    Q_OBJECT
public:
    // Current number and model as the device list holds them (GBK).
    ModifyDeviceId(const std::string& ip, std::int32_t port, const std::string& numberGbk,
                   const std::string& modelGbk, QWidget* parent = nullptr);

    QLineEdit* NumberEdit() const { return number_; }  // edit 1172
    QLineEdit* ModelEdit() const { return model_; }    // edit 1191
    QPushButton* OkButton() const { return ok_; }

public slots:
    void OnOk();

private:
    CommandTarget target_;
    QLineEdit* number_ = nullptr;
    QLineEdit* model_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace ostrand
