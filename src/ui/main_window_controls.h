#pragma once
// The main window's command controls: ids, the captions the window opens with,
// and their group.

#include <array>

namespace ostrand {

enum class ControlGroup { Basic, Attendance, ListBar };

struct ControlCaption {
    int id;
    const char* caption;
    ControlGroup group;
};

// In panel order.
inline constexpr std::array<ControlCaption, 26> kMainWindowButtons = {{
    {1011, "重启", ControlGroup::Basic},
    {1042, "与PC时间同步", ControlGroup::Basic},
    {1050, "更新设备名", ControlGroup::Basic},
    {1043, "复制设备编号", ControlGroup::Basic},
    {1049, "本地视频播放", ControlGroup::Basic},
    {1013, "网络参数配置", ControlGroup::Basic},
    {1023, "日志", ControlGroup::Basic},
    {1053, "修改设备密码", ControlGroup::Basic},
    {1012, "更新应用库程序", ControlGroup::Basic},
    {1047, "更新内核或固件", ControlGroup::Basic},
    {1045, "设置设备编号和产品型号", ControlGroup::Basic},
    {1048, "串口类型设置", ControlGroup::Basic},
    {1051, "NTP服务器设置", ControlGroup::Basic},
    {1333, "功能开关", ControlGroup::Basic},
    {1258, "考勤机参数设置", ControlGroup::Attendance},
    {1260, "考勤信息管理", ControlGroup::Attendance},
    {1261, "设置考勤时间", ControlGroup::Attendance},
    {1262, "拍照IPC服务器", ControlGroup::Attendance},
    {1263, "绑定拍照IPC", ControlGroup::Attendance},
    {1275, "绑定闸机签到码", ControlGroup::Attendance},
    {1264, "音箱配置", ControlGroup::Attendance},
    {1306, "远距离刷卡参数", ControlGroup::Attendance},
    {1265, "绑定访客机", ControlGroup::Attendance},
    {1259, "考勤服务器配置", ControlGroup::Attendance},
    {1266, "绑定测温设备", ControlGroup::Attendance},
    {1001, "搜索", ControlGroup::ListBar},
}};

inline constexpr int kFindButtonId = 1354;
inline constexpr int kLanguageLabelId = 1204;

// Hidden when the window opens.
inline constexpr std::array<int, 2> kHiddenButtons = {1259, 1045};
// Disabled while the list shows monitoring devices only.
inline constexpr std::array<int, 7> kAttendanceFilterButtons = {1258, 1259, 1260, 1261, 1262, 1263, 1264};

// The captions the language switch sets come from LanguageSwitchCaptions()
// (ops/shell/captions.h).

}  // namespace ostrand
