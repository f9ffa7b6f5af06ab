// The two upgrade commands: choose the image, check its name (and for a
// kernel image its size), then the progress window over the selected devices.

#include <QFileDialog>
#include <QFileInfo>

#include "devices/device_list.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "ui/dialog_routes.h"
#include "ui/upgrade/cupdate_rate_dlg.h"
#include "ui/upgrade/upgrade_file_chooser.h"

namespace ostrand {
namespace {

UpgradeFileChooser& Chooser() {
    static UpgradeFileChooser chooser;
    return chooser;
}

UpgradeDevice DeviceOfRow(const DeviceRow& row) {
    return {row[kColIp], CellInt(row[kColCommandPort]), row[kColDeviceNumber], row[kColDeviceName], row[kColVersion]};
}

// Every selected row of the main window in ascending order; a window that is
// not the main window hands its one device over in the command's values.
std::vector<UpgradeDevice> SelectedDevices(const CommandArgs& args) {
    std::vector<UpgradeDevice> devices;
    for (const DeviceRow& row : args.rows) devices.push_back(DeviceOfRow(row));
    if (devices.empty() && !args.ip.empty()) {
        devices.push_back({args.ip, args.port, args.deviceNumber, args.name, args.version});
    }
    return devices;
}

void OpenUpgrade(UpgradeKind kind, QWidget* parent, const CommandArgs& args) {
    std::vector<UpgradeDevice> devices = SelectedDevices(args);
    if (devices.empty()) return;
    const QString path = ChooseUpgradeFile(parent);
    if (path.isEmpty()) return;
    const QFileInfo info(path);
    const auto gbkName = Utf8ToGbk(info.fileName().toStdString());
    const auto versions = gbkName ? ParseUpgradeFileName(*gbkName, kind) : std::nullopt;
    if (!versions) {
        ShowMessage(UpgradeNameRefusalText(kind));
        return;
    }
    if (kind == UpgradeKind::Kernel && (!info.isFile() || !info.isReadable() || info.size() == 0)) {
        ShowMessage(Tr("获取文件属性失败", "Get File Attribute Fail"));
        return;
    }
    CUpdateRateDlg dialog(kind, std::filesystem::path(path.toStdString()), *versions, std::move(devices), parent);
    dialog.exec();
}

}  // namespace

void SetUpgradeFileChooser(UpgradeFileChooser chooser) { Chooser() = std::move(chooser); }

QString ChooseUpgradeFile(QWidget* parent) {
    if (Chooser()) return Chooser()(parent);
    return QFileDialog::getOpenFileName(parent);
}

void AddUpgradeDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::UpdateApp, [](QWidget* parent, const CommandArgs& args) {
        OpenUpgrade(UpgradeKind::Application, parent, args);
    });
    routes.Add(CommandId::UpdateKernel, [](QWidget* parent, const CommandArgs& args) {
        OpenUpgrade(UpgradeKind::Kernel, parent, args);
    });
}

}  // namespace ostrand
