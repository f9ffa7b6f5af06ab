#include "ui/maintenance/net_param.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <tuple>

#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

QString Show(const std::string& gbk) { return QString::fromStdString(GbkToUtf8Lossy(gbk)); }

// For values the page only looks at: a character GBK cannot hold becomes "?".
std::optional<std::string> Lossy(const std::string& utf8) { return Utf8ToGbkLossy(utf8); }

QLineEdit* AddressField(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(15);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("(\\d{1,3}(\\.\\d{0,3}){0,3})?")), edit));
    return edit;
}

}  // namespace

CNetParam::CNetParam(QWidget* parent) : CBasicDiaglog(parent) {
    auto* device = new QGroupBox(Tr("设备网络设置", "Device network Setings"), this);
    auto* grid = new QGridLayout(device);
    staticIp_ = new QCheckBox(Tr("设置静态IP", "Static IP:"), device);
    staticIp_->setObjectName("staticIp");
    ip_ = AddressField(device, "ip");
    mask_ = AddressField(device, "mask");
    gateway_ = AddressField(device, "gateway");
    dns_ = AddressField(device, "dns");
    grid->addWidget(staticIp_, 0, 0, 1, 2);
    const std::array<std::pair<const char*, const char*>, 4> labels{{
        {"IP地址：", "IP Address:"}, {"子网掩码：", "Subnet Mask:"}, {"网关：", "GateWay:"}, {"DNS服务器：", "DNS:"}}};
    const std::array<QLineEdit*, 4> fields{ip_, mask_, gateway_, dns_};
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(new QLabel(Tr(labels[row].first, labels[row].second), device), row + 1, 0);
        grid->addWidget(fields[row], row + 1, 1);
    }
    auto* macRow = new QHBoxLayout;
    for (std::size_t i = 0; i < mac_.size(); ++i) {
        mac_[i] = new QLineEdit(device);
        mac_[i]->setObjectName(QStringLiteral("mac%1").arg(i));
        mac_[i]->setMaxLength(2);
        mac_[i]->setFixedWidth(32);
        macRow->addWidget(mac_[i]);
    }
    macRow->addStretch();
    grid->addWidget(new QLabel(Tr("MAC地址：", "MAC:"), device), 5, 0);
    grid->addLayout(macRow, 5, 1);

    auto* server = new QGroupBox(Tr("服务器设置", "Server Setings"), this);
    auto* serverGrid = new QGridLayout(server);
    selfBuilt_ = new QCheckBox(Tr("是否自架服务器", "Is Self-build"), server);
    selfBuilt_->setObjectName("selfBuilt");
    master_ = new QLineEdit(server);
    master_->setObjectName("master");
    masterPort_ = new QLineEdit(server);
    masterPort_->setObjectName("masterPort");
    serverGrid->addWidget(selfBuilt_, 0, 0, 1, 2);
    serverGrid->addWidget(new QLabel(Tr("主控服务器：", "Master Server:"), server), 1, 0);
    serverGrid->addWidget(master_, 1, 1);
    serverGrid->addWidget(new QLabel(Tr("(输入域名或者IP地址)", "(Please Input IP or Domain Name)"), server), 2, 1);
    serverGrid->addWidget(new QLabel(Tr("主控端口：", "Master Server Port:"), server), 3, 0);
    serverGrid->addWidget(masterPort_, 3, 1);

    // The 3G choice is part of the page but never shown.
    open3g_ = new QCheckBox(QStringLiteral("打开3G"), this);
    open3g_->setObjectName("open3g");
    unicom_ = new QRadioButton(QStringLiteral("联通"), this);
    unicom_->setObjectName("unicom");
    telecom_ = new QRadioButton(QStringLiteral("电信"), this);
    telecom_->setObjectName("telecom");
    for (QWidget* hidden : std::initializer_list<QWidget*>{open3g_, unicom_, telecom_}) hidden->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(device);
    layout->addWidget(server);
    layout->addStretch();

    ShowFields(NetPageFields{});
    connect(staticIp_, &QCheckBox::toggled, this, [this](bool on) { React([on](NetPageFields& f) { SetStaticIp(f, on); }); });
    connect(open3g_, &QCheckBox::toggled, this, [this](bool on) { React([on](NetPageFields& f) { SetOpen3g(f, on); }); });
    connect(selfBuilt_, &QCheckBox::toggled, this, [this](bool on) { React([on](NetPageFields& f) { SetSelfBuilt(f, on); }); });
}

template <class Change>
void CNetParam::React(Change change) {
    if (showing_) return;
    const NetPageFields before = CurrentFields(Lossy).value();
    NetPageFields after = before;
    change(after);
    // Only what the switch changes is shown again; typed texts stay as typed.
    ip_->setEnabled(after.ipEnabled);
    gateway_->setEnabled(after.gatewayEnabled);
    dns_->setEnabled(after.dnsEnabled);
    mask_->setEnabled(after.maskEnabled);
    master_->setEnabled(after.masterEnabled);
    masterPort_->setEnabled(after.masterPortEnabled);
    if (after.master != before.master) master_->setText(Show(after.master));
    unicom_->setEnabled(after.operatorsEnabled);
    telecom_->setEnabled(after.operatorsEnabled);
}

std::optional<NetPageFields> CNetParam::ReadFields() {
    return CurrentFields([](const std::string& utf8) {
        auto gbk = Utf8ToGbk(utf8);
        if (!gbk) ShowMessage(Tr("输入的文字含有GBK无法表示的字符", "The text holds characters GBK cannot hold"));
        return gbk;
    });
}

template <class ToGbk>
std::optional<NetPageFields> CNetParam::CurrentFields(ToGbk toGbk) const {
    NetPageFields fields;
    const auto text = [&toGbk](const QLineEdit* edit, std::string& into) {
        auto gbk = toGbk(edit->text().toStdString());
        if (!gbk) return false;
        into = std::move(*gbk);
        return true;
    };
    bool ok = text(ip_, fields.ip) && text(mask_, fields.mask) && text(gateway_, fields.gateway) &&
              text(dns_, fields.dns) && text(master_, fields.master) && text(masterPort_, fields.masterPort);
    for (std::size_t i = 0; ok && i < mac_.size(); ++i) {
        ok = text(mac_[i], fields.mac[i]);
        fields.macEnabled[i] = mac_[i]->isEnabled();
    }
    if (!ok) return std::nullopt;
    fields.staticIp = staticIp_->isChecked();
    fields.staticIpEnabled = staticIp_->isEnabled();
    fields.ipEnabled = ip_->isEnabled();
    fields.gatewayEnabled = gateway_->isEnabled();
    fields.dnsEnabled = dns_->isEnabled();
    fields.selfBuilt = selfBuilt_->isChecked();
    fields.masterEnabled = master_->isEnabled();
    fields.masterPortEnabled = masterPort_->isEnabled();
    fields.open3g = open3g_->isChecked();
    fields.operatorChoice = unicom_->isChecked()    ? Net3gOperator::Unicom
                            : telecom_->isChecked() ? Net3gOperator::Telecom
                                                    : Net3gOperator::None;
    fields.operatorsEnabled = unicom_->isEnabled();
    return fields;
}

void CNetParam::ShowFields(const NetPageFields& fields) {
    showing_ = true;
    staticIp_->setChecked(fields.staticIp);
    staticIp_->setEnabled(fields.staticIpEnabled);
    const std::array<std::tuple<QLineEdit*, const std::string*, bool>, 6> edits{{
        {ip_, &fields.ip, fields.ipEnabled},
        {mask_, &fields.mask, fields.maskEnabled},
        {gateway_, &fields.gateway, fields.gatewayEnabled},
        {dns_, &fields.dns, fields.dnsEnabled},
        {master_, &fields.master, fields.masterEnabled},
        {masterPort_, &fields.masterPort, fields.masterPortEnabled},
    }};
    for (const auto& [edit, text, enabled] : edits) {
        edit->setText(Show(*text));
        edit->setEnabled(enabled);
    }
    for (std::size_t i = 0; i < mac_.size(); ++i) {
        mac_[i]->setText(Show(fields.mac[i]));
        mac_[i]->setEnabled(fields.macEnabled[i]);
    }
    selfBuilt_->setChecked(fields.selfBuilt);
    open3g_->setChecked(fields.open3g);
    unicom_->setChecked(fields.operatorChoice == Net3gOperator::Unicom);
    telecom_->setChecked(fields.operatorChoice == Net3gOperator::Telecom);
    unicom_->setEnabled(fields.operatorsEnabled);
    telecom_->setEnabled(fields.operatorsEnabled);
    showing_ = false;
}

void CNetParam::FillFromReply(const ParamMap& reply) {
    NetPageFields page = CurrentFields(Lossy).value();
    ostrand::FillFromReply(page, reply, commandPort_);
    ShowFields(page);
}

bool CNetParam::CollectRequest(ParamMap& request) {
    const auto fields = ReadFields();
    if (!fields) return false;
    NetCollectResult result = ostrand::CollectRequest(*fields, commandPort_);
    if (!result.ok) {
        ShowMessage(result.message);
        return false;
    }
    request = std::move(result.request);
    return true;
}

}  // namespace ostrand
