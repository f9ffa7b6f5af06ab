#pragma once
// The main window's command buttons: which gates each runs, in which order,
// and which values of the selected row it hands to its operation.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_list.h"

namespace ostrand {

enum class Gate {
    Select,        // S: a row must be selected, with the gate's message
    SelectSilent,  // S0: a row must be selected, no message
    AttendKind,    // K
    VideoPort,     // P80
    Mac,           // M
    KernelUpgrade, // U
};

enum class CommandId : int {
    Reboot = 1011,
    SyncPcTime = 1042,
    SetDeviceName = 1050,
    CopyDeviceNumber = 1043,
    LocalVideo = 1049,
    NetworkParams = 1013,
    Log = 1023,
    ChangePassword = 1053,
    UpdateApp = 1012,
    UpdateKernel = 1047,
    SetDeviceIdAndModel = 1045,
    SerialType = 1048,
    NtpServer = 1051,
    FunctionSwitches = 1333,
    AttendParams = 1258,
    AttendServer = 1259,
    AttendInfo = 1260,
    AttendTime = 1261,
    PhotoIpcServer = 1262,
    BindPhotoIpc = 1263,
    BindSignInCode = 1275,
    SpeakerConfig = 1264,
    RemoteCardParams = 1306,
    BindVisitor = 1265,
    BindTemperature = 1266,
};

// Which row values an operation receives besides IP and port.
enum HandOver : unsigned {
    kHandIpPort = 1u << 0,
    kHandDeviceNumber = 1u << 1,
    kHandName = 1u << 2,
    kHandProductModel = 1u << 3,
    kHandMac = 1u << 4,
    kHandChannels = 1u << 5,
    kHandVersion = 1u << 6,
    kHandCommandCode = 1u << 7,  // a fixed command code (and an empty text for 1275)
};

struct MainCommand {
    CommandId id;
    std::vector<Gate> gates;  // in the order they run
    unsigned handOver = 0;
    std::int32_t commandCode = 0;
    const char* operation = "";  // the dialog or action the command opens
};

// The whole command table, in button order.
const std::vector<MainCommand>& MainCommands();
const MainCommand* FindMainCommand(CommandId id);

// The values an operation receives, taken from the selected row (GBK texts).
struct CommandArgs {
    std::string ip;
    std::int32_t port = 0;
    std::string deviceNumber;
    std::string name;
    std::string productModel;
    std::string mac;
    std::int32_t channels = 0;
    std::string version;
    std::int32_t commandCode = 0;
    // Every selected row, ascending. The commands that act on each selected
    // device (ActsOnEverySelectedRow) take their devices from here.
    std::vector<DeviceRow> rows;
};

// Reboot, clock synchronisation and the two upgrades act on every selected
// row; every other command on one device only.
bool ActsOnEverySelectedRow(CommandId id);

CommandArgs MakeCommandArgs(const MainCommand& command, const DeviceRow& row);

}  // namespace ostrand
