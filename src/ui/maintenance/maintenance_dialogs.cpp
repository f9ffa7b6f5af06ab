// The main window's maintenance commands: reboot and clock synchronisation
// run at once; the name, number/model and password commands open their
// dialogs; the log command asks for a file.

#include <QTableView>

#include "devices/device_ports.h"
#include "ops/maintenance/batch_commands.h"
#include "ops/maintenance/clock_sync.h"
#include "ops/maintenance/reboot.h"
#include "platform/app_state.h"
#include "platform/code_page.h"
#include "ui/costrand_dlg.h"
#include "ui/dialog_routes.h"
#include "ui/maintenance/batch_result_dlg.h"
#include "ui/maintenance/cdev_mask_message.h"
#include "ui/maintenance/cmodify_passwd.h"
#include "ui/maintenance/log_download_flow.h"
#include "ui/maintenance/maintenance_widgets.h"
#include "ui/maintenance/modify_device_id.h"

namespace ostrand {
namespace {

// Writes the accepted name into the main window's table and list, keeping
// the selected row.
void ShowNewName(QWidget* parent, const CommandArgs& args, const std::string& nameGbk) {
    auto* window = qobject_cast<CostrandDlg*>(parent);
    if (window == nullptr) return;
    DeviceTable& table = window->Table();
    for (std::int32_t i = 0; i < table.count && i < static_cast<std::int32_t>(DeviceTable::kCapacity); ++i) {
        DeviceRecord& record = table.records[static_cast<std::size_t>(i)];
        if (FieldText(record.ip) != args.ip || record.commandPort != args.port) continue;
        // The record keeps the name as the device sends it: GBK over the TCP
        // channel, UTF-8 otherwise.
        SetFieldText(record.deviceName, record.commandPort == kTcpCommandPort ? nameGbk : GbkToUtf8Lossy(nameGbk));
    }
    const std::int32_t selected = window->SelectedRow();
    window->FillDeviceList();
    if (selected >= 0) window->ListView()->selectRow(selected);
}

// Several selected rows: every device in the results window, each with the
// gates it would have run alone. False for one row (or none).
bool RunOnEverySelectedRow(QWidget* parent, const CommandArgs& args, const char* titleChinese,
                           const char* titleEnglish, BatchJob job, const char* runningText) {
    if (args.rows.size() < 2) return false;
    std::vector<BatchDevice> devices;
    devices.reserve(args.rows.size());
    for (const DeviceRow& row : args.rows) devices.push_back(BatchDeviceOfRow(row));
    CBatchResultDlg dialog(QString::fromUtf8(Tr(titleChinese, titleEnglish)), std::move(devices), std::move(job),
                           runningText, parent);
    dialog.exec();
    return true;
}

}  // namespace

void AddMaintenanceDialogs(DialogRoutes& routes) {
    routes.Add(CommandId::Reboot, [](QWidget* parent, const CommandArgs& args) {
        if (RunOnEverySelectedRow(parent, args, "重启结果", "Reboot Results", RebootInBatch, RebootRunningText())) {
            return;
        }
        CommandTarget target(args.ip, args.port);
        ShowOutcome(RunMaintenanceWork(parent, [&] { return RebootDevice(target); },
                                       BusyDescription("正在重启 %1", "Rebooting %1", args.ip)));
    });
    routes.Add(CommandId::SyncPcTime, [](QWidget* parent, const CommandArgs& args) {
        if (RunOnEverySelectedRow(parent, args, "与PC时间同步结果", "Sync PC Time Results", SyncPcTimeInBatch,
                                  SyncPcTimeRunningText())) {
            return;
        }
        CommandTarget target(args.ip, args.port);
        ShowOutcome(RunMaintenanceWork(parent, [&] { return SyncPcTime(target); },
                                       BusyDescription("正在同步 %1 的时间", "Setting the time of %1", args.ip)));
    });
    routes.Add(CommandId::SetDeviceName, [](QWidget* parent, const CommandArgs& args) {
        CDevMaskMessage dialog(args.ip, args.port, args.name, parent);
        dialog.exec();
        if (dialog.Changed()) ShowNewName(parent, args, dialog.NewName());
    });
    routes.Add(CommandId::SetDeviceIdAndModel, [](QWidget* parent, const CommandArgs& args) {
        ModifyDeviceId dialog(args.ip, args.port, args.deviceNumber, args.productModel, parent);
        dialog.exec();
    });
    routes.Add(CommandId::ChangePassword, [](QWidget* parent, const CommandArgs& args) {
        CModifyPasswd dialog(args.ip, args.port, PasswordModeForVersion(args.version), parent);
        dialog.exec();
    });
    routes.Add(CommandId::Log, RunLogDownload);
}

}  // namespace ostrand
