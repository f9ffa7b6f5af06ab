#include "ops/upgrade/upgrade_status.h"

#include "platform/app_state.h"
#include "transport/form_channel.h"

namespace ostrand {

std::string UpgradeStepText(UpgradeStep step, UpgradeKind kind) {
    const bool application = kind == UpgradeKind::Application;
    switch (step) {
        case UpgradeStep::Connecting:
            return Tr("正在建立连接...", application ? "Connecting..." : "Connect.....");
        case UpgradeStep::KernelBusy:
            return Tr("IPC设备内核升级中,请等升级完成后在进行操作", "Updating kernel,please waiting...");
        case UpgradeStep::CheckUnreachable:
            return Tr("通知设备升级失败,对方网络无法到达", "Can not connect the devices");
        case UpgradeStep::HardwareMismatch: return Tr("硬件版本号不相等", "Hardware version not match");
        case UpgradeStep::KernelMismatch: return Tr("内核版本号不匹配", "Kernel version not match");
        case UpgradeStep::ApplicationTooOld: return Tr("应用程序版本号小于当前版本", "App version not match");
        case UpgradeStep::TcpUploading: return Tr("文件上传中..", "Uploading file...");
        case UpgradeStep::TcpUploadSucceeded:
            return Tr("上传成功，设备即将重启，请稍后重新搜索设备", "Upload success, Rebooting...");
        case UpgradeStep::HttpUploadSucceeded:
            return Tr("上传成功，设备即将重启，请稍后重新搜索设备", "Upload success,Device reboot later");
        case UpgradeStep::UploadFailed: return Tr("上传失败", application ? "Upload fail" : "Upload File Fail");
        case UpgradeStep::AnnounceUnreachable:
            return Tr("通知设备升级失败,对方网络无法到达", "Can not connect the device");
        case UpgradeStep::AnnounceWrong: return Tr("升级消息有误", "Update message is wrong..");
        case UpgradeStep::KernelTooOld: return Tr("内核版本太旧", "Kernel version is too old");
        case UpgradeStep::NoMemory: return Tr("设备内存不足", "The memory of device is not enough");
        case UpgradeStep::ImageUploading: return Tr("正在上传文件,请等待......", "Uploading file...");
        case UpgradeStep::KernelWriting:
            return Tr("内核烧写中,请勿断电......", "Writing kernel,Please do not power off..");
        case UpgradeStep::KernelTcpDone: return Tr("内核升级结束，等待重启", "Update succ");
        case UpgradeStep::KernelWriteDone: return Tr("升级完成，稍后重启，完成内核升级", "Update succ");
        case UpgradeStep::FlashProblem: return "还没烧写完成，设备Flash存在问题";
        case UpgradeStep::FileUnreadable: return Tr("读取升级文件失败", "Cannot read the upgrade file");
        case UpgradeStep::BadUploadName: return TransportResultText(kTransportBadParameter);
        case UpgradeStep::WorkerFailed: return Tr("升级意外中止", "The upgrade stopped unexpectedly");
    }
    return {};
}

RowPhase FinalPhaseOf(UpgradeStep step) {
    switch (step) {
        case UpgradeStep::TcpUploadSucceeded:
        case UpgradeStep::HttpUploadSucceeded:
        case UpgradeStep::KernelWriting:  // final only after the wait of a device that is not polled
        case UpgradeStep::KernelTcpDone:
        case UpgradeStep::KernelWriteDone: return RowPhase::Succeeded;
        case UpgradeStep::Connecting:
        case UpgradeStep::TcpUploading:
        case UpgradeStep::ImageUploading: return RowPhase::Running;
        default: return RowPhase::Failed;
    }
}

}  // namespace ostrand
