#pragma once
// "绑定测温设备": finds temperature devices with the multicast probe, binds one
// to the terminal, reads the bound one and changes a found device's address.

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <string>

#include "ops/peripherals/tempera_probe.h"
#include "transport/tcp_channel.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTableWidget;

namespace ostrand {

class BindTempera : public QDialog {
    Q_OBJECT

public:
    static constexpr int kStatusShownMs = 10000;  // then the resting hint returns
    static constexpr int kFirstSearchMs = 500;

    BindTempera(DeviceEndpoint terminal, TemperaProbeConfig probe, QWidget* parent = nullptr);

    QString StatusText() const;
    QTableWidget* List() const { return list_; }
    QLineEdit* Edit(int id) const;
    QPushButton* Button(int id) const;
    std::int32_t StrictModel() const { return strictModel_; }
    const DeviceEndpoint& TemperaEndpoint() const { return tempera_; }

    void Get();     // "获取(&G)"
    void Search();  // "搜索(&S)"
    void Bind();    // "绑定或解绑(&B)"
    void SetIp();   // "设置IP(&K)"
    void RowClicked(int row);  // also Enter on the row

private:
    void ShowStatus(const QString& text);

    DeviceEndpoint terminal_;
    DeviceEndpoint tempera_;
    TemperaProbeConfig probe_;
    std::int32_t strictModel_ = 0;
    QLineEdit* bound_ = nullptr;
    QLineEdit* ip_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* get_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* setIp_ = nullptr;
    QPushButton* bind_ = nullptr;
    QTableWidget* list_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* rest_ = nullptr;         // "timer1282"
    QTimer* firstSearch_ = nullptr;  // "timer1281"
};

}  // namespace ostrand
