#pragma once
// "设置": puts one class on an amplifier channel.

#include <QDialog>

#include <string>
#include <vector>

#include "ops/peripherals/net_power.h"

class QComboBox;
class QLineEdit;
class QSlider;

namespace ostrand {

class SetNetClass : public QDialog {
    Q_OBJECT

public:
    SetNetClass(DeviceEndpoint terminal, ClassAmpBinding binding, const std::vector<std::string>& boundAmplifiers,
                QWidget* parent = nullptr);

    const ClassAmpBinding& Binding() const { return binding_; }
    QComboBox* Amplifier() const { return amplifier_; }
    QLineEdit* Channel() const { return channel_; }
    void Confirm();  // "确定"

private:
    DeviceEndpoint terminal_;
    ClassAmpBinding binding_;
    QComboBox* amplifier_ = nullptr;
    QLineEdit* channel_ = nullptr;
    QSlider* volume_ = nullptr;
};

}  // namespace ostrand
