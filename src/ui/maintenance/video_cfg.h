#pragma once
// Function switches: the video stream (set only) and the debug log (read and
// set). Nothing is read at opening and no choice is made.

#include <QDialog>

#include "ops/maintenance/function_switches.h"

class QPushButton;
class QRadioButton;

namespace ostrand {

class CVideoCfg : public QDialog {
    Q_OBJECT

public:
    CVideoCfg(DeviceEndpoint endpoint, QWidget* parent = nullptr);

    QRadioButton* StreamOn() const { return streamOn_; }
    QRadioButton* StreamOff() const { return streamOff_; }
    QRadioButton* DebugOn() const { return debugOn_; }
    QRadioButton* DebugOff() const { return debugOff_; }
    QPushButton* StreamSet() const { return streamSet_; }
    QPushButton* DebugGet() const { return debugGet_; }
    QPushButton* DebugSet() const { return debugSet_; }

private:
    // The busy line's text for reading or for setting the switches.
    QString Busy(bool reading) const;
    void SetStream();
    void GetDebugLog();
    void SetDebugLog();

    DeviceEndpoint endpoint_;
    QRadioButton* streamOn_ = nullptr;
    QRadioButton* streamOff_ = nullptr;
    QRadioButton* debugOn_ = nullptr;
    QRadioButton* debugOff_ = nullptr;
    QPushButton* streamSet_ = nullptr;
    QPushButton* debugGet_ = nullptr;
    QPushButton* debugSet_ = nullptr;
};

}  // namespace ostrand
