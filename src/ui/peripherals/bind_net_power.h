#pragma once
// The "网络功放" tab: the amplifiers a terminal knows (tick to bind) and its
// classes with the amplifier channel each plays on.

#include <QWidget>

#include <string>
#include <vector>

#include "ops/peripherals/net_power.h"
#include "transport/tcp_channel.h"

class QTableWidget;

namespace ostrand {

class BindNetPower : public QWidget {
    Q_OBJECT

public:
    explicit BindNetPower(DeviceEndpoint terminal, QWidget* parent = nullptr);

    QTableWidget* Classes() const { return classes_; }
    QTableWidget* Amplifiers() const { return amplifiers_; }
    const std::vector<std::string>& BoundAmplifiers() const { return boundAmplifiers_; }

    void Refresh();         // both lists (every switch to the tab)
    void Search();          // "搜索"
    void BindTicked();      // "确定" (also the Enter key)
    void UnbindSelected();  // "解绑"
    void EditClass(int row);  // double click (or Enter on the row): SetNetClass

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillAmplifiers(const AmplifierList& list);

    DeviceEndpoint terminal_;
    QTableWidget* classes_ = nullptr;
    QTableWidget* amplifiers_ = nullptr;
    std::vector<std::string> boundAmplifiers_;
};

}  // namespace ostrand
