#include "ui/upgrade/cupdate_rate_dlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {

// Hands the workers' reports to the window on the GUI thread. A report still
// queued when the window is gone is dropped (the window is the calls' context
// and is also checked through a guarded pointer).
class CUpdateRateDlg::Bridge final : public UpgradeObserver {
public:
    explicit Bridge(CUpdateRateDlg* dialog) : dialog_(dialog) {}
    void OnStatus(std::size_t row, const std::string& text, RowPhase /*phase*/) override {
        Post([row, text = QString::fromStdString(text)](CUpdateRateDlg& d) { d.OnStatus(static_cast<int>(row), text); });
    }
    void OnProgress(std::size_t row, std::uint64_t sent, std::uint64_t total) override {
        Post([row, sent, total](CUpdateRateDlg& d) {
            d.OnProgress(static_cast<int>(row), static_cast<qint64>(sent), static_cast<qint64>(total));
        });
    }
    void OnBatchEnded() override {
        Post([](CUpdateRateDlg& d) { d.OnBatchEnded(); });
    }

private:
    template <typename Call>
    void Post(Call call) {
        QPointer<CUpdateRateDlg> guarded = dialog_;
        QMetaObject::invokeMethod(
            dialog_, [guarded, call] { if (guarded) call(*guarded); }, Qt::QueuedConnection);
    }
    CUpdateRateDlg* dialog_;
};

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

CUpdateRateDlg::CUpdateRateDlg(UpgradeKind kind, std::filesystem::path path, UpgradeVersions versions,
                               std::vector<UpgradeDevice> devices, QWidget* parent)
    : QDialog(parent), bridge_(std::make_unique<Bridge>(this)) {
    setWindowTitle(QString::fromUtf8(Tr("升级进度", "Update Progressing")));
    list_ = new QTableWidget(static_cast<int>(devices.size()), static_cast<int>(std::size(kColumns)), this);
    list_->setObjectName("list1162");
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setTabKeyNavigation(false);  // Tab leaves the list for the buttons
    list_->verticalHeader()->hide();
    QStringList headers;
    for (const ColumnSpec& column : kColumns) headers << QString::fromUtf8(Tr(column.chinese, column.english));
    list_->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < list_->columnCount(); ++c) list_->setColumnWidth(c, kColumns[c].width);
    list_->setColumnHidden(kColPort, true);
    for (int row = 0; row < list_->rowCount(); ++row) {
        const UpgradeDevice& device = devices[static_cast<std::size_t>(row)];
        const auto put = [&](int column, const QString& text) { list_->setItem(row, column, new QTableWidgetItem(text)); };
        put(kColNum, QString::number(row + 1));
        put(kColVersion, Display(device.version));
        put(kColName, Display(device.name));
        put(kColNumber, Display(device.deviceNumber));
        put(kColIp, Display(device.ip));
        put(kColStatus, QString());
        put(kColPort, QString::number(device.port));
        auto* bar = new QProgressBar(list_);
        bar->setRange(0, 1000);
        bar->setValue(0);
        bar->setFormat("%p%");
        list_->setCellWidget(row, kColProgress, bar);
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
    resize(1240, 420);

    run_ = std::make_unique<UpgradeRun>(kind, std::move(versions), std::move(path), std::move(devices), *bridge_);
    SetRunning(true);  // nothing may close the window before the first batch has ended
    // The workers start from the event loop, once the window is up.
    QTimer::singleShot(0, this, [this] { StartBatch({}); });
}

CUpdateRateDlg::~CUpdateRateDlg() { run_.reset(); }

QProgressBar* CUpdateRateDlg::ProgressBar(int row) const {
    return qobject_cast<QProgressBar*>(list_->cellWidget(row, kColProgress));
}

QString CUpdateRateDlg::StatusText(int row) const {
    const QTableWidgetItem* item = list_->item(row, kColStatus);
    return item != nullptr ? item->text() : QString();
}

void CUpdateRateDlg::StartBatch(std::vector<std::size_t> rows) {
    if (rows.empty() && run_->Devices().empty()) {
        SetRunning(false);
        return;
    }
    SetRunning(true);
    for (std::size_t row : rows) {
        if (QProgressBar* bar = ProgressBar(static_cast<int>(row))) bar->setValue(0);
    }
    if (!run_->Start(std::move(rows))) SetRunning(run_->Running());
}

void CUpdateRateDlg::OnStatus(int row, const QString& text) {
    if (QTableWidgetItem* item = list_->item(row, kColStatus)) item->setText(text);
}

void CUpdateRateDlg::OnProgress(int row, qint64 sent, qint64 total) {
    if (QProgressBar* bar = ProgressBar(row)) bar->setValue(total > 0 ? static_cast<int>(sent * 1000 / total) : 0);
}

void CUpdateRateDlg::OnBatchEnded() { SetRunning(run_->Running()); }

void CUpdateRateDlg::SetRunning(bool running) {
    running_ = running;
    close_->setEnabled(!running);
    retry_->setEnabled(!running && !run_->FailedRows().empty());
}

void CUpdateRateDlg::reject() {
    if (!running_) QDialog::reject();
}

void CUpdateRateDlg::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace ostrand
