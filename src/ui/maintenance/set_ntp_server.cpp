#include "ui/maintenance/set_ntp_server.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ops/maintenance/ntp_servers.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

CSetNtpServer::CSetNtpServer(DeviceEndpoint endpoint, QWidget* parent)
    : QDialog(parent), endpoint_(std::move(endpoint)) {
    setWindowTitle(QStringLiteral("NTP服务器设置"));
    setMinimumWidth(340);
    entries_ = new QComboBox(this);
    entries_->setObjectName("entries");
    for (int i = 0; i < kNtpEntryCount; ++i) entries_->addItem(QString::number(i));
    server_ = new QLineEdit(this);
    server_->setObjectName("server");
    port_ = new QLineEdit(this);
    port_->setObjectName("port");
    modify_ = new QPushButton(QStringLiteral("修改"), this);
    modify_->setObjectName("modify");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("请选择NTP:"), entries_);
    form->addRow(QStringLiteral("NTP服务器:"), server_);
    form->addRow(QStringLiteral("NTP端口:"), port_);
    form->addRow(QString(), modify_);
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName("ok");
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSetNtpServer::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(entries_, &QComboBox::currentIndexChanged, this, &CSetNtpServer::ShowEntry);
    connect(modify_, &QPushButton::clicked, this, &CSetNtpServer::StoreEdits);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CSetNtpServer::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (opened_) return;
    opened_ = true;
    QTimer::singleShot(0, this, &CSetNtpServer::Load);
}

void CSetNtpServer::Load() {
    ParamMap table;
    RunModalWork(this, [this, &table] { LoadNtpTable(endpoint_, table); },
                 BusyDescription("正在读取 %1 的NTP服务器", "Reading the NTP servers of %1", endpoint_.ip));
    table_ = std::move(table);
    entries_->setCurrentIndex(0);
    ShowEntry(0);
    loaded_ = true;
}

void CSetNtpServer::ShowEntry(int entry) {
    if (entry < 0) return;
    const NtpEntry values = NtpEntryOf(table_, entry);
    server_->setText(QString::fromStdString(GbkToUtf8Lossy(values.server)));
    port_->setText(QString::fromStdString(GbkToUtf8Lossy(values.port)));
}

void CSetNtpServer::StoreEdits() {
    const auto server = Utf8ToGbk(server_->text().toStdString());
    const auto port = Utf8ToGbk(port_->text().toStdString());
    if (!server || !port) {
        ShowMessage("输入的文字含有GBK无法表示的字符，未修改");
        return;
    }
    StoreNtpEntry(table_, entries_->currentIndex(), {*server, *port});
}

void CSetNtpServer::accept() {
    RunModalWork(this, [this] { SaveNtpTable(endpoint_, table_); },
                 BusyDescription("正在设置 %1 的NTP服务器", "Setting the NTP servers of %1", endpoint_.ip));
    QDialog::accept();
}

}  // namespace ostrand
