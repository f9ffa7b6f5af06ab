#include "ui/shell/device_rows_window.h"

#include <QBrush>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

QString Display(const std::string& gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

struct ColumnSpec {
    const char* chinese;
    const char* english;
    int width;
};

constexpr ColumnSpec kColumns[] = {
    {"序列", "Num", 40},       {"版本号", "Version", 160},   {"设备名", "Device Name", 200},
    {"设备编号", "Device ID", 130}, {"IP地址", "IPAddress", 120}, {"状态", "Status", 390},
    {"Http端口", "HttpPort", 0}, {"进度", "Progress", 140},
};

}  // namespace

DeviceRowsWindow::DeviceRowsWindow(const QString& title, const char* listName, const std::vector<DeviceRowTexts>& rows,
                                   bool withProgress, QSize size, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    const int columns = static_cast<int>(std::size(kColumns)) - (withProgress ? 0 : 1);
    list_ = new QTableWidget(static_cast<int>(rows.size()), columns, this);
    list_->setObjectName(listName);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    list_->verticalHeader()->hide();
    QStringList headers;
    for (int c = 0; c < columns; ++c) headers << QString::fromUtf8(Tr(kColumns[c].chinese, kColumns[c].english));
    list_->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < columns; ++c) list_->setColumnWidth(c, kColumns[c].width);
    list_->setColumnHidden(kColPort, true);
    for (int row = 0; row < list_->rowCount(); ++row) {
        const DeviceRowTexts& device = rows[static_cast<std::size_t>(row)];
        const auto put = [&](int column, const QString& text) { list_->setItem(row, column, new QTableWidgetItem(text)); };
        put(kColNum, QString::number(row + 1));
        put(kColVersion, Display(device.version));
        put(kColName, Display(device.name));
        put(kColNumber, Display(device.deviceNumber));
        put(kColIp, Display(device.ip));
        put(kColStatus, QString());
        put(kColPort, QString::number(device.port));
        if (withProgress) {
            auto* bar = new QProgressBar(list_);
            bar->setRange(0, 1000);
            bar->setValue(0);
            bar->setFormat("%p%");
            list_->setCellWidget(row, kColProgress, bar);
        }
    }

    retry_ = new QPushButton(QString::fromUtf8(Tr("重试失败项", "Retry failed")), this);
    retry_->setObjectName("retryFailed");
    close_ = new QPushButton(QString::fromUtf8(Tr("关闭", "Close")), this);
    close_->setObjectName("close");
    // Enter closes the window once the batch has ended; it never retries.
    close_->setDefault(true);
    connect(retry_, &QPushButton::clicked, this, [this] { RetryFailed(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retry_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(size);
}

QString DeviceRowsWindow::StatusText(int row) const {
    const QTableWidgetItem* item = list_->item(row, kColStatus);
    return item != nullptr ? item->text() : QString();
}

QProgressBar* DeviceRowsWindow::ProgressBar(int row) const {
    if (list_->columnCount() <= kColProgress) return nullptr;
    return qobject_cast<QProgressBar*>(list_->cellWidget(row, kColProgress));
}

void DeviceRowsWindow::SetStatus(int row, const QString& text, bool failed) {
    QTableWidgetItem* item = list_->item(row, kColStatus);
    if (item == nullptr) return;
    item->setText(text);
    item->setToolTip(text);  // a long device text stays readable
    if (failed) {
        item->setForeground(QBrush(Qt::darkRed));
    } else {
        item->setData(Qt::ForegroundRole, QVariant());
    }
}

void DeviceRowsWindow::SetRunning(bool running, bool anyFailed) {
    running_ = running;
    close_->setEnabled(!running);
    retry_->setEnabled(!running && anyFailed);
}

void DeviceRowsWindow::reject() {
    if (!running_) QDialog::reject();
}

void DeviceRowsWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ostrand
