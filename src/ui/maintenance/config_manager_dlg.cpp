#include "ui/maintenance/config_manager_dlg.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ops/maintenance/network_params.h"
#include "platform/app_state.h"
#include "ui/maintenance/net_param.h"
#include "ui/shell/progress_dlg.h"
#include "ui/shell/tab_order.h"

namespace ostrand {

CConfigManagerDLG::CConfigManagerDLG(std::string ip, std::int32_t commandPort, QWidget* parent)
    : QDialog(parent), target_(std::move(ip), commandPort) {
    setWindowTitle(Tr("网络参数设置", "Set Network"));
    list_ = new QListWidget(this);
    list_->setObjectName("pageList");
    list_->setFixedWidth(110);
    frame_ = new QFrame(this);
    frame_->setObjectName("pageFrame");
    frame_->setFrameShape(QFrame::StyledPanel);
    auto* frameLayout = new QVBoxLayout(frame_);
    frameLayout->setContentsMargins(5, 12, 10, 10);
    save_ = new QPushButton(Tr("保存", "OK"), this);
    save_->setObjectName("save");
    save_->setDefault(true);
    cancel_ = new QPushButton(Tr("取消", "Cancel"), this);
    cancel_->setObjectName("cancel");

    auto* top = new QHBoxLayout;
    top->addWidget(list_);
    top->addWidget(frame_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    AddPage(new CNetParam(frame_), "网络参数", kNetLoadCommand, kNetSaveCommand);
    // Tab runs from the page list through the page to the buttons below it.
    SetTabOrder({LastTabStopIn(pages_.back()), save_, cancel_});

    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (opened_ && row >= 0) ShowPage(row);
    });
    connect(save_, &QPushButton::clicked, this, &CConfigManagerDLG::Save);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CConfigManagerDLG::AddPage(CBasicDiaglog* page, const char* name, std::string loadCommand,
                                std::string saveCommand) {
    page->SetLoadCommand(std::move(loadCommand));
    page->SetSaveCommand(std::move(saveCommand));
    page->SetPageIndex(static_cast<int>(pages_.size()));
    page->setVisible(false);
    frame_->layout()->addWidget(page);
    pages_.push_back(page);
    list_->addItem(QString::fromUtf8(name));
}

void CConfigManagerDLG::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (opened_) return;
    opened_ = true;
    // The first page loads once the window is up, so the wait shows on it.
    QTimer::singleShot(0, this, [this] {
        list_->blockSignals(true);
        list_->setCurrentRow(0);
        list_->blockSignals(false);
        ShowPage(0);
    });
}

void CConfigManagerDLG::ShowPage(int index) {
    CBasicDiaglog* page = Page(index);
    ParamMap reply;
    const std::string command = page->GetLoadCommand();
    RunModalWork(this, [this, &command, &reply] { LoadConfigPage(target_, command, reply); },
                 BusyDescription("正在读取 %1 的网络参数", "Reading the network parameters of %1", target_.ip));
    page->SetCommandPort(target_.port);
    page->FillFromReply(reply);
    for (CBasicDiaglog* other : pages_) other->setVisible(other == page);
    ++loadsDone_;
}

void CConfigManagerDLG::Save() {
    const int row = list_->currentRow() < 0 ? 0 : list_->currentRow();
    CBasicDiaglog* page = Page(row);
    ParamMap request;
    if (!page->CollectRequest(request)) {
        ShowSaveFailed();
        return;
    }
    TransportResult result = kTransportOk;
    const std::string command = page->GetSaveCommand();
    RunModalWork(this, [this, &command, &request, &result] {
        result = SaveConfigPage(target_, command, std::move(request));
    }, BusyDescription("正在保存 %1 的网络参数", "Saving the network parameters of %1", target_.ip));
    if (result == kTransportOk) accept();
}

}  // namespace ostrand
