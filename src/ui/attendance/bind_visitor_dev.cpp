#include "ui/attendance/bind_visitor_dev.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ops/attendance/device_bindings.h"
#include "platform/message_sink.h"

namespace ostrand {

namespace {

enum Column { kTick = 0, kRowNumber = 1, kDeviceNumber = 2, kHidden = 3, kBinding = 4, kIp = 5 };
constexpr int kDeviceTextRole = Qt::UserRole;  // the number as the device sent it (GBK)

}  // namespace

BindVisitorDev::BindVisitorDev(const DeviceEndpoint& endpoint, std::string version, QWidget* parent)
    : TerminalDialog(endpoint, "绑定访客机", parent), version_(std::move(version)) {
    auto* layout = new QVBoxLayout(this);
    list_ = Named(new QTableWidget(0, 6), 1346);
    list_->setHorizontalHeaderLabels({"", "序列", "设备号", "", "绑定关系", "IP"});
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    list_->verticalHeader()->hide();
    const int widths[] = {20, 40, 180, 0, 80, 160};
    for (int column = 0; column < 6; ++column) list_->setColumnWidth(column, widths[column]);
    list_->setColumnHidden(kHidden, true);
    list_->setMinimumWidth(500);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    auto* search = Named(new QPushButton("搜索"), 1322);
    auto* bind = Named(new QPushButton("确定"), 1259);
    // "确定" sends the ticks as they stand (none ticked unbinds every
    // machine), so Enter searches and binding takes its own button.
    search->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(search);
    buttons->addWidget(bind);
    layout->addLayout(buttons);
    connect(search, &QPushButton::clicked, this, &BindVisitorDev::Search);
    connect(bind, &QPushButton::clicked, this, &BindVisitorDev::Bind);
}

void BindVisitorDev::Search() {
    if (!VisitorVersionSupported(version_)) {
        ShowMessage("版本不支持!");
        return;
    }
    VisitorSearch result;
    RunWithProgress(this, ProgressMode::Search, [&] { result = SearchVisitors(Endpoint(), version_); });
    Show(result.outcome);
    if (!result.outcome.Succeeded()) return;
    list_->setRowCount(0);
    for (const VisitorRow& row : result.rows) {
        const int r = list_->rowCount();
        list_->insertRow(r);
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        tick->setCheckState(row.hasBinding && row.bound ? Qt::Checked : Qt::Unchecked);
        list_->setItem(r, kTick, tick);
        list_->setItem(r, kRowNumber, new QTableWidgetItem(QString::number(r + 1)));
        auto* number = new QTableWidgetItem(DeviceQString(row.deviceNumber));
        number->setData(kDeviceTextRole, QByteArray::fromStdString(row.deviceNumber));
        list_->setItem(r, kDeviceNumber, number);
        if (row.hasBinding) list_->setItem(r, kBinding, new QTableWidgetItem(row.bound ? "已绑定" : "未绑定"));
        if (!row.ip.empty()) list_->setItem(r, kIp, new QTableWidgetItem(DeviceQString(row.ip)));
    }
}

void BindVisitorDev::Bind() {
    std::vector<std::string> numbers;
    for (int r = 0; r < list_->rowCount(); ++r) {
        const QTableWidgetItem* tick = list_->item(r, kTick);
        if (tick == nullptr || tick->checkState() != Qt::Checked) continue;
        const QTableWidgetItem* number = list_->item(r, kDeviceNumber);
        numbers.push_back(number == nullptr ? std::string() : number->data(kDeviceTextRole).toByteArray().toStdString());
    }
    const TerminalOutcome outcome = Run([&] { return BindVisitors(Endpoint(), version_, numbers); });
    Show(outcome);
    if (outcome.Succeeded()) Search();
}

}  // namespace ostrand
