#include "ops/shell/main_commands.h"

namespace ostrand {

const std::vector<MainCommand>& MainCommands() {
    using enum Gate;
    static const std::vector<MainCommand> commands = {
        {CommandId::Reboot, {Select, KernelUpgrade}, kHandIpPort, 0, "httpRestart"},
        {CommandId::SyncPcTime, {Select, VideoPort, KernelUpgrade}, kHandIpPort, 0, "setDate"},
        {CommandId::SetDeviceName, {Select, KernelUpgrade}, kHandIpPort | kHandName, 0, "CModifyDevName"},
        {CommandId::CopyDeviceNumber, {Select}, kHandDeviceNumber, 0, "clipboard"},
        {CommandId::LocalVideo, {Select}, kHandIpPort | kHandChannels, 0, "CVideoPlaySdk"},
        {CommandId::NetworkParams, {Select, KernelUpgrade}, kHandIpPort, 0, "CConfigManagerDLG"},
        {CommandId::Log, {Select, KernelUpgrade}, kHandIpPort, 0, "log download"},
        {CommandId::ChangePassword, {Select, KernelUpgrade}, kHandIpPort | kHandVersion, 0, "CModifyPasswd"},
        {CommandId::UpdateApp, {SelectSilent}, 0, 0, "CUpdateRateDlg"},
        {CommandId::UpdateKernel, {SelectSilent}, 0, 0, "CUpdateRateDlg"},
        {CommandId::SetDeviceIdAndModel, {Select, KernelUpgrade},
         kHandIpPort | kHandDeviceNumber | kHandProductModel, 0, "ModifyDeviceId"},
        {CommandId::SerialType, {Select, KernelUpgrade}, kHandIpPort, 0, "CSetComType"},
        {CommandId::NtpServer, {Select, KernelUpgrade}, kHandIpPort, 0, "CSetNtpServer"},
        {CommandId::FunctionSwitches, {Select}, kHandIpPort, 0, "CVideoCfg"},
        {CommandId::AttendParams, {Select, AttendKind, KernelUpgrade}, kHandIpPort, 0, "CAttendAlarm"},
        {CommandId::AttendServer, {Select, AttendKind, KernelUpgrade}, kHandIpPort, 0, "CAttendServerInfo"},
        {CommandId::AttendTime, {Select, AttendKind, KernelUpgrade}, kHandIpPort, 0, "CManagerAttendTime"},
        {CommandId::PhotoIpcServer, {Select, AttendKind, KernelUpgrade}, kHandIpPort, 0, "CPhotoIpcServer"},
        {CommandId::BindPhotoIpc, {Select, AttendKind}, kHandIpPort | kHandCommandCode | kHandDeviceNumber, 5039,
         "CBindPhotoIpc"},
        {CommandId::BindSignInCode, {Select, AttendKind}, kHandIpPort | kHandCommandCode, 5042, "CBindPhotoIpc"},
        {CommandId::RemoteCardParams, {Select, AttendKind}, kHandIpPort, 0, "CRemoteCardParam"},
        {CommandId::BindVisitor, {Select}, kHandIpPort | kHandVersion, 0, "BindVisitorDev"},
        {CommandId::SpeakerConfig, {Select}, kHandIpPort | kHandVersion, 0, "AudioCfg"},
        {CommandId::BindTemperature, {Select}, kHandIpPort | kHandVersion, 0, "BindTempera"},
        {CommandId::AttendInfo, {Select, AttendKind, Mac}, kHandIpPort | kHandMac | kHandDeviceNumber | kHandName |
         kHandProductModel | kHandVersion | kHandChannels, 0, "attendance information"},
    };
    return commands;
}

const MainCommand* FindMainCommand(CommandId id) {
    for (const auto& command : MainCommands()) {
        if (command.id == id) return &command;
    }
    return nullptr;
}

bool ActsOnEverySelectedRow(CommandId id) {
    return id == CommandId::Reboot || id == CommandId::SyncPcTime || id == CommandId::UpdateApp ||
           id == CommandId::UpdateKernel;
}

CommandArgs MakeCommandArgs(const MainCommand& command, const DeviceRow& row) {
    CommandArgs args;
    if (command.handOver & kHandIpPort) {
        args.ip = row[kColIp];
        args.port = CellInt(row[kColCommandPort]);
    }
    if (command.handOver & kHandDeviceNumber) args.deviceNumber = row[kColDeviceNumber];
    if (command.handOver & kHandName) args.name = row[kColDeviceName];
    if (command.handOver & kHandProductModel) args.productModel = row[kColProductModel];
    if (command.handOver & kHandMac) args.mac = row[kColMac];
    if (command.handOver & kHandChannels) args.channels = CellInt(row[kColVideoChannels]);
    if (command.handOver & kHandVersion) args.version = row[kColVersion];
    if (command.handOver & kHandCommandCode) args.commandCode = command.commandCode;
    return args;
}

}  // namespace ostrand
