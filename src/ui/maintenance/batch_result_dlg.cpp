#include "ui/maintenance/batch_result_dlg.h"

#include <QBrush>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {

// Hands the run's reports to the window on the GUI thread. A report still
// queued when the window is gone is dropped.
class CBatchResultDlg::Bridge final : public BatchObserver {
public:
    explicit Bridge(CBatchResultDlg* dialog) : dialog_(dialog) {}
    void OnStatus(std::size_t row, const BatchRowState& state) override {
        Post([row, text = QString::fromStdString(state.text), phase = state.phase](CBatchResultDlg& d) {
            d.OnStatus(static_cast<int>(row), text, phase);
        });
    }
    void OnBatchEnded() override {
        Post([](CBatchResultDlg& d) { d.OnBatchEnded(); });
    }

private:
    template <typename Call>
    void Post(Call call) {
        QPointer<CBatchResultDlg> guarded = dialog_;
        QMetaObject::invokeMethod(
            dialog_, [guarded, call] { if (guarded) call(*guarded); }, Qt::QueuedConnection);
    }
    CBatchResultDlg* dialog_;
};

namespace {

QString Display(const std::string& gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

struct ColumnSpec {
    const char* chinese;
    const char* english;
    int width;
};

// The upgrade window's columns, without its progress bar.
constexpr ColumnSpec kColumns[] = {
    {"序列", "Num", 40},       {"版本号", "Version", 160},   {"设备名", "Device Name", 200},
    {"设备编号", "Device ID", 130}, {"IP地址", "IPAddress", 120}, {"状态", "Status", 390},
    {"Http端口", "HttpPort", 0},
};

}  // namespace

CBatchResultDlg::CBatchResultDlg(const QString& title, std::vector<BatchDevice> devices, BatchJob job,
                                 std::string runningText, QWidget* parent)
    : QDialog(parent), bridge_(std::make_unique<Bridge>(this)) {
    setObjectName("CBatchResultDlg");
    setWindowTitle(title);
    list_ = new QTableWidget(static_cast<int>(devices.size()), static_cast<int>(std::size(kColumns)), this);
    list_->setObjectName("batchList");
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    list_->verticalHeader()->hide();
    QStringList headers;
    for (const ColumnSpec& column : kColumns) headers << QString::fromUtf8(Tr(column.chinese, column.english));
    list_->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < list_->columnCount(); ++c) list_->setColumnWidth(c, kColumns[c].width);
    list_->horizontalHeader()->setStretchLastSection(false);
    list_->setColumnHidden(kColPort, true);
    for (int row = 0; row < list_->rowCount(); ++row) {
        const BatchDevice& device = devices[static_cast<std::size_t>(row)];
        const auto put = [&](int column, const QString& text) { list_->setItem(row, column, new QTableWidgetItem(text)); };
        put(kColNum, QString::number(row + 1));
        put(kColVersion, Display(device.version));
        put(kColName, Display(device.name));
        put(kColNumber, Display(device.deviceNumber));
        put(kColIp, Display(device.ip));
        put(kColStatus, QString());
        put(kColPort, QString::number(device.port));
    }

    retry_ = new QPushButton(QString::fromUtf8(Tr("重试失败项", "Retry failed")), this);
    retry_->setObjectName("retryFailed");
    close_ = new QPushButton(QString::fromUtf8(Tr("关闭", "Close")), this);
    close_->setObjectName("close");
    // Enter closes the window once the batch has ended; it never retries.
    close_->setDefault(true);
    connect(retry_, &QPushButton::clicked, this, [this] {
        if (auto failed = run_->FailedRows(); !failed.empty()) StartBatch(std::move(failed));
    });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retry_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(1080, 360);

    run_ = std::make_unique<DeviceBatchRun>(std::move(devices), std::move(job), std::move(runningText), *bridge_);
    SetRunning(true);  // nothing may close the window before the first batch has ended
    QTimer::singleShot(0, this, [this] { StartBatch({}); });
}

CBatchResultDlg::~CBatchResultDlg() { run_.reset(); }

QString CBatchResultDlg::StatusText(int row) const {
    const QTableWidgetItem* item = list_->item(row, kColStatus);
    return item != nullptr ? item->text() : QString();
}

void CBatchResultDlg::StartBatch(std::vector<std::size_t> rows) {
    SetRunning(true);
    if (!run_->Start(std::move(rows))) SetRunning(run_->Running());
}

void CBatchResultDlg::OnStatus(int row, const QString& text, BatchPhase phase) {
    QTableWidgetItem* item = list_->item(row, kColStatus);
    if (item == nullptr) return;
    item->setText(text);
    item->setToolTip(text);  // a long device text stays readable
    if (phase == BatchPhase::Failed) {
        item->setForeground(QBrush(Qt::darkRed));
    } else {
        item->setData(Qt::ForegroundRole, QVariant());
    }
}

void CBatchResultDlg::OnBatchEnded() { SetRunning(run_->Running()); }

void CBatchResultDlg::SetRunning(bool running) {
    running_ = running;
    close_->setEnabled(!running);
    retry_->setEnabled(!running && !run_->FailedRows().empty());
}

void CBatchResultDlg::reject() {
    if (!running_) QDialog::reject();
}

void CBatchResultDlg::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ostrand
