#include "devices/device_columns.h"

namespace ostrand {

const ColumnHeaders& DeviceColumnHeaders(HeaderSet set) {
    static const ColumnHeaders initial = {
        "序列", "是否考勤设备", "设备名", "设备编号", "产品型号", "考勤机设备编号",
        "设备注册账号", "与考勤服务器连接状态", "485连线状态", "TF卡状态", "IP地址",
        "子网掩码", "网关", "MAC地址", "web端口", "设备类型", "视频通道数", "版本号",
        "Http端口"};
    static const ColumnHeaders chinese = {
        "序列", "是否考勤设备", "设备名", "设备编号", "产品型号", "考勤机设备编号",
        "设备注册账号", "与考勤服务器连接状态", "考勤机状态", "TF卡状态", "IP地址",
        "子网掩码", "网关", "MAC地址", "web端口", "设备类型", "视频通道数", "版本号",
        "Http端口"};
    // Columns 1, 5 and 7 have no English header and keep their Chinese one.
    static const ColumnHeaders english = {
        "Num", "是否考勤设备", "Device Name", "Device ID", "ProductModel", "考勤机设备编号",
        "Device Login Account", "与考勤服务器连接状态", "AttendSta", "TFStatus", "IPAddress",
        "SubnetMask", "Gateway", "MacAddress", "Web Port", "Dev Type", "Num of Video Channel",
        "Version", "Http Port"};
    switch (set) {
        case HeaderSet::Chinese:
            return chinese;
        case HeaderSet::English:
            return english;
        case HeaderSet::Initial:
            break;
    }
    return initial;
}

const std::array<int, kDeviceColumnCount>& DeviceColumnWidths() {
    static const std::array<int, kDeviceColumnCount> widths = {
        40, 100, 130, 130, 120, 130, 100, 140, 100, 100, 120, 100, 100, 100, 60, 60, 80, 400, 0};
    return widths;
}

}  // namespace ostrand
