#include "ui/maintenance/cmodify_passwd.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ops/maintenance/password.h"
#include "platform/app_state.h"
#include "ui/maintenance/maintenance_widgets.h"

namespace ostrand {

namespace {

QString Text(const char* chinese, const char* english) { return QString::fromUtf8(Tr(chinese, english)); }

QLineEdit* PasswordEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(static_cast<int>(kMaxPasswordChars));
    return edit;
}

}  // namespace

CModifyPasswd::CModifyPasswd(const std::string& ip, std::int32_t port, PasswordMode mode, QWidget* parent)
    : QDialog(parent), target_(ip, port), mode_(mode) {
    setWindowTitle(Text("密码修改", "Change Password"));
    old_ = PasswordEdit(this, "edit1174");
    new_ = PasswordEdit(this, "edit1175");
    repeat_ = PasswordEdit(this, "edit1176");
    ok_ = new QPushButton(Text("更新密码", "Change"), this);
    ok_->setDefault(true);
    auto* cancel = new QPushButton(Text("取消更新", "Cancel"), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Text("旧密码：", "Old Password:"), this), 0, 0);
    grid->addWidget(old_, 0, 1);
    grid->addWidget(new QLabel(Text("新密码：", "New Password:"), this), 1, 0);
    grid->addWidget(new_, 1, 1);
    grid->addWidget(new QLabel(Text("重复输入：", "Input again:"), this), 2, 0);
    grid->addWidget(repeat_, 2, 1);
    PlaceFormAndButtons(*this, grid, ok_, cancel, 320);
    connect(ok_, &QPushButton::clicked, this, &CModifyPasswd::OnOk);
    old_->setFocus();
}

void CModifyPasswd::OnOk() {
    const auto oldPassword = TypedDeviceText(old_->text(), "旧密码", "The old password");
    if (!oldPassword) return;
    const auto newPassword = TypedDeviceText(new_->text(), "新密码", "The new password");
    if (!newPassword) return;
    const auto repeated = TypedDeviceText(repeat_->text(), "重复输入的密码", "The repeated password");
    if (!repeated) return;
    const MaintenanceOutcome outcome = RunMaintenanceWork(
        this, [&] { return ChangePassword(target_, mode_, *oldPassword, *newPassword, *repeated); },
        BusyDescription("正在修改 %1 的密码", "Changing the password of %1", target_.ip));
    ShowOutcome(outcome);
    if (outcome.succeeded) accept();
}

}  // namespace ostrand
