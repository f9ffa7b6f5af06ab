#include "ui/peripherals/bind_tempera.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <vector>

#include "ops/peripherals/tempera_binding.h"
#include "platform/message_sink.h"
#include "ui/peripherals/peripheral_widgets.h"
#include "ui/shell/list_keys.h"
#include "ui/shell/progress_dlg.h"

namespace ostrand {

BindTempera::BindTempera(DeviceEndpoint terminal, TemperaProbeConfig probe, QWidget* parent)
    : QDialog(parent), terminal_(std::move(terminal)), probe_(std::move(probe)) {
    setWindowTitle(QString::fromUtf8("绑定测温设备"));
    strictModel_ = ReadStrictModelFlag();

    auto named = [this](auto* widget, const char* name) {
        widget->setObjectName(name);
        return widget;
    };
    bound_ = named(new QLineEdit(this), "edit1348");
    bound_->setReadOnly(true);
    get_ = named(new QPushButton(QString::fromUtf8("获取(&G)"), this), "button1275");
    search_ = named(new QPushButton(QString::fromUtf8("搜索(&S)"), this), "button1322");
    // Enter reads the bound device again; binding (an empty IP unbinds) and
    // the address change take their own buttons.
    get_->setDefault(true);
    ip_ = named(new QLineEdit(this), "edit1349");
    setIp_ = named(new QPushButton(QString::fromUtf8("设置IP(&K)"), this), "button1277");
    user_ = named(new QLineEdit(this), "edit1350");
    password_ = named(new QLineEdit(this), "edit1351");
    password_->setEchoMode(QLineEdit::Password);
    bind_ = named(new QPushButton(QString::fromUtf8("绑定或解绑(&B)"), this), "button1276");
    list_ = MakeReportList({QString::fromUtf8("序号"), "IP", QString::fromUtf8("型号"), "SN", QString::fromUtf8("端口")},
                           {40, 100, 100, 250, 70}, this);
    list_->setObjectName("list1352");

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf8("已绑定设备："), this), 0, 0);
    grid->addWidget(bound_, 0, 1);
    grid->addWidget(get_, 0, 2);
    grid->addWidget(search_, 0, 3);
    grid->addWidget(new QLabel(QString::fromUtf8("设备IP："), this), 1, 0);
    grid->addWidget(ip_, 1, 1);
    grid->addWidget(setIp_, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("用户名："), this), 2, 0);
    grid->addWidget(user_, 2, 1);
    grid->addWidget(new QLabel(QString::fromUtf8("密码："), this), 3, 0);
    grid->addWidget(password_, 3, 1);
    grid->addWidget(bind_, 3, 2, 1, 2);
    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    statusBar_->addWidget(status_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(list_, 1);
    layout->addWidget(statusBar_);
    resize(600, 420);

    status_->setText(QString::fromUtf8(kTemperaRestingText.data(), static_cast<int>(kTemperaRestingText.size())));
    rest_ = new QTimer(this);
    rest_->setObjectName("timer1282");
    rest_->setSingleShot(true);
    rest_->setInterval(kStatusShownMs);
    connect(rest_, &QTimer::timeout, this, [this] {
        status_->setText(QString::fromUtf8(kTemperaRestingText.data(), static_cast<int>(kTemperaRestingText.size())));
    });
    setIp_->setEnabled(false);  // until a found device with a port is chosen
    connect(get_, &QPushButton::clicked, this, &BindTempera::Get);
    connect(search_, &QPushButton::clicked, this, &BindTempera::Search);
    connect(bind_, &QPushButton::clicked, this, &BindTempera::Bind);
    connect(setIp_, &QPushButton::clicked, this, &BindTempera::SetIp);
    connect(list_, &QTableWidget::cellClicked, this, [this](int row, int) { RowClicked(row); });
    ActOnEnter(list_, [this](int row) { RowClicked(row); });  // the keyboard's click

    // The bound device is read once the window is up; the first search
    // follows half a second after that read has ended, so it never probes
    // while the terminal is still being asked.
    firstSearch_ = new QTimer(this);
    firstSearch_->setObjectName("timer1281");
    firstSearch_->setSingleShot(true);
    firstSearch_->setInterval(kFirstSearchMs);
    connect(firstSearch_, &QTimer::timeout, this, &BindTempera::Search);
    QTimer::singleShot(0, this, [this] {
        Get();
        firstSearch_->start();
    });
}

QString BindTempera::StatusText() const { return status_->text(); }

QLineEdit* BindTempera::Edit(int id) const { return findChild<QLineEdit*>(QString("edit%1").arg(id)); }
QPushButton* BindTempera::Button(int id) const { return findChild<QPushButton*>(QString("button%1").arg(id)); }

void BindTempera::ShowStatus(const QString& text) {
    status_->setText(text);
    rest_->start();  // a new text restarts the ten seconds
}

void BindTempera::Get() {
    bound_->clear();
    BoundTempera bound;
    RunModalWork(this, [this, &bound] { bound = GetBoundTempera(terminal_); }, BusyDescription("正在读取 %1 的参数", "Reading the settings of %1", terminal_.ip));
    if (bound.ok) bound_->setText(FromDevice(bound.ip));
    ShowStatus(QString::fromStdString(bound.status));
}

void BindTempera::Search() {
    firstSearch_->stop();
    std::vector<FoundTempera> found;
    std::vector<std::string> statuses;
    RunWithProgress(this, ProgressMode::Search, [this, &found, &statuses] {
        found = SearchTemperaDevices(probe_, strictModel_,
                                     [&statuses](std::string_view text) { statuses.emplace_back(text); });
    });
    for (const auto& text : statuses) ShowStatus(QString::fromStdString(text));
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(found.size()));
    for (int i = 0; i < static_cast<int>(found.size()); ++i) {
        const auto& record = found[static_cast<std::size_t>(i)];
        SetDeviceCell(list_, i, 0, std::to_string(i));
        SetDeviceCell(list_, i, 1, record.ipv4);
        SetDeviceCell(list_, i, 2, record.model);
        SetDeviceCell(list_, i, 3, record.serial);
        SetDeviceCell(list_, i, 4, record.servicePort);
    }
}

void BindTempera::RowClicked(int row) {
    if (row < 0 || row >= list_->rowCount()) return;
    const auto ip = DeviceCell(list_, row, 1);
    ip_->setText(FromDevice(ip));
    tempera_ = {ip, TemperaPortFromCell(DeviceCell(list_, row, 4))};
    setIp_->setEnabled(tempera_.port > 0);
}

void BindTempera::Bind() {
    const auto ip = DeviceTextOf(ip_);
    const auto user = DeviceTextOf(user_);
    const auto password = DeviceTextOf(password_);
    if (!ip || !user || !password) return;
    ShowStatus(QString::fromUtf8("绑定中..."));
    TemperaBindOutcome outcome;
    RunModalWork(this, [&] { outcome = BindTemperaDevice(terminal_, *ip, *user, *password); }, BusyDescription("正在设置 %1 的参数", "Writing the settings of %1", terminal_.ip));
    if (outcome.ok) {
        bound_->setText(FromDevice(outcome.bound.ip));
        ShowStatus(QString::fromStdString(outcome.bound.status));
    }
    ShowStatus(QString::fromStdString(outcome.status));
}

void BindTempera::SetIp() {
    const auto ip = DeviceTextOf(ip_);
    if (!ip) return;
    ShowStatus(QString::fromUtf8("设置IP中..."));
    TemperaIpOutcome outcome;
    RunModalWork(this, [&] { outcome = SetTemperaIp(tempera_, *ip); },
                 BusyDescription("正在设置 %1 的IP地址", "Setting the address of %1", tempera_.ip));
    ShowStatus(QString::fromStdString(outcome.status));
    if (outcome.showMessage) ShowMessage(outcome.status);
}

}  // namespace ostrand
