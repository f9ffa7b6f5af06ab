#include "ui/peripherals/bind_net_power.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ops/peripherals/net_power.h"
#include "platform/message_sink.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/peripherals/set_net_class.h"
#include "ui/shell/list_keys.h"
#include "ui/shell/progress_dlg.h"
#include "ui/shell/tab_order.h"

namespace ostrand {

BindNetPower::BindNetPower(DeviceEndpoint terminal, QWidget* parent)
    : QWidget(parent), terminal_(std::move(terminal)) {
    classes_ = MakeReportList({QString::fromUtf8("序列"), QString::fromUtf8("班级ID"), QString::fromUtf8("班级"),
                               QString::fromUtf8("设备号"), QString::fromUtf8("分区")},
                              {40, 0, 200, 200, 160}, this);
    classes_->setObjectName("list1326");
    amplifiers_ = MakeReportList({"", QString::fromUtf8("序列"), QString::fromUtf8("功放设备号"), QString::fromUtf8("状态"),
                                  QString::fromUtf8("绑定关系"), "IP"},
                                 {20, 40, 180, 80, 80, 160}, this);
    amplifiers_->setObjectName("list1274");
    auto* unbind = new QPushButton(QString::fromUtf8("解绑"), this);
    unbind->setObjectName("button1275");
    auto* search = new QPushButton(QString::fromUtf8("搜索"), this);
    search->setObjectName("button1322");
    auto* confirm = new QPushButton(QString::fromUtf8("确定"), this);
    confirm->setObjectName("button1259");

    auto* classGroup = new QGroupBox(QString::fromUtf8("绑定班级"), this);
    auto* classLayout = new QVBoxLayout(classGroup);
    classLayout->addWidget(classes_);
    auto* classButtons = new QHBoxLayout;
    classButtons->addWidget(new QLabel(QString::fromUtf8("小提示：双击选项进入绑定状态"), classGroup));
    classButtons->addStretch();
    classButtons->addWidget(unbind);
    classLayout->addLayout(classButtons);
    auto* ampGroup = new QGroupBox(QString::fromUtf8("绑定功放"), this);
    auto* ampLayout = new QVBoxLayout(ampGroup);
    ampLayout->addWidget(amplifiers_);
    auto* ampButtons = new QHBoxLayout;
    ampButtons->addStretch();
    ampButtons->addWidget(search);
    ampButtons->addWidget(confirm);
    ampLayout->addLayout(ampButtons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(classGroup, 1);
    layout->addWidget(ampGroup, 1);

    // Tab follows the two groups: the classes with their button, then the
    // amplifiers with theirs.
    SetTabOrder({classes_, unbind, amplifiers_, search, confirm});
    connect(unbind, &QPushButton::clicked, this, &BindNetPower::UnbindSelected);
    connect(search, &QPushButton::clicked, this, &BindNetPower::Search);
    connect(confirm, &QPushButton::clicked, this, &BindNetPower::BindTicked);
    connect(classes_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { EditClass(row); });
    // The keyboard's double click; Enter elsewhere on the page binds as before.
    ActOnEnter(classes_, [this](int row) { EditClass(row); });
}

void BindNetPower::FillAmplifiers(const AmplifierList& list) {
    amplifiers_->setRowCount(0);
    amplifiers_->setRowCount(static_cast<int>(list.rows.size()));
    for (int i = 0; i < static_cast<int>(list.rows.size()); ++i) {
        const auto& row = list.rows[static_cast<std::size_t>(i)];
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        tick->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
        amplifiers_->setItem(i, 0, tick);
        SetDeviceCell(amplifiers_, i, 1, std::to_string(i + 1));
        SetDeviceCell(amplifiers_, i, 2, row.number);
        amplifiers_->setItem(i, 3, new QTableWidgetItem(QString::fromStdString(row.state)));
        amplifiers_->setItem(i, 4, new QTableWidgetItem(QString::fromStdString(row.bind)));
        SetDeviceCell(amplifiers_, i, 5, row.ip);
    }
    boundAmplifiers_ = list.boundAmplifiers;
}

void BindNetPower::Refresh() {
    NetPowerPage page;
    RunWithProgress(window(), ProgressMode::Search, [&] { page = RefreshNetPower(terminal_); });
    FillAmplifiers(page.amplifiers);
    classes_->setRowCount(0);
    classes_->setRowCount(static_cast<int>(page.classes.size()));
    for (int i = 0; i < static_cast<int>(page.classes.size()); ++i) {
        const auto& row = page.classes[static_cast<std::size_t>(i)];
        SetDeviceCell(classes_, i, 0, std::to_string(i + 1));
        SetDeviceCell(classes_, i, 1, row.classId);
        SetDeviceCell(classes_, i, 2, row.className);
        SetDeviceCell(classes_, i, 3, row.amplifier);
        SetDeviceCell(classes_, i, 4, row.channel);
    }
}

void BindNetPower::Search() {
    AmplifierList list;
    NetPowerOutcome outcome;
    RunWithProgress(window(), ProgressMode::Search, [&] { outcome = SearchAmplifiers(terminal_, list); });
    if (!outcome.ok) {
        ShowMessage(outcome.message);
        return;
    }
    FillAmplifiers(list);
}

void BindNetPower::BindTicked() {
    std::vector<std::string> ticked;
    for (int i = 0; i < amplifiers_->rowCount(); ++i) {
        const auto* tick = amplifiers_->item(i, 0);
        if (tick != nullptr && tick->checkState() == Qt::Checked) ticked.push_back(DeviceCell(amplifiers_, i, 2));
    }
    NetPowerOutcome outcome;
    RunModalWork(window(), [&] { outcome = BindAmplifiers(terminal_, ticked); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
    ShowMessage(outcome.message);
    if (outcome.ok) Refresh();
}

void BindNetPower::UnbindSelected() {
    const auto selected = classes_->selectionModel()->selectedRows();
    const int row = selected.isEmpty() ? -1 : selected.first().row();
    const std::string classId = row < 0 ? std::string() : DeviceCell(classes_, row, 1);
    NetPowerOutcome outcome;
    RunModalWork(window(), [&] { outcome = UnbindNetClass(terminal_, classId); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
    ShowMessage(outcome.message);
    if (outcome.ok && row >= 0) {
        SetDeviceCell(classes_, row, 3, {});
        SetDeviceCell(classes_, row, 4, {});
    }
}

void BindNetPower::EditClass(int row) {
    if (row < 0 || row >= classes_->rowCount()) return;
    ClassAmpBinding binding{DeviceCell(classes_, row, 1), DeviceCell(classes_, row, 2), DeviceCell(classes_, row, 3),
                            DeviceCell(classes_, row, 4), false};
    SetNetClass dialog(terminal_, binding, boundAmplifiers_, this);
    dialog.exec();
    if (!dialog.Binding().changed) return;
    SetDeviceCell(classes_, row, 3, dialog.Binding().amplifier);
    SetDeviceCell(classes_, row, 4, dialog.Binding().channel);
}

void BindNetPower::keyPressEvent(QKeyEvent* event) {
    // Enter binds the ticked amplifiers, as the "确定" button does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        BindTicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace ostrand
