#include "ops/shell/captions.h"

#include <string>

namespace ostrand {

const std::vector<SwitchedCaption>& LanguageSwitchCaptions() {
    static const std::vector<SwitchedCaption> captions = {
        {1204, "界面语言:", "Language:"},
        {1011, "重启", "Reboot"},
        {1042, "与PC时间同步", "Sync PC Time"},
        {1050, "更新设备名", "Set Dev Name"},
        {1043, "复制设备编号", "Copy Device ID"},
        {1049, "本地视频播放", "Local Video"},
        {1012, "升级应用库程序", "Update App or Lib"},
        {1047, "更新内核或固件", "Update Kernel or Firmware"},
        {1013, "网络参数设置", "Set Network"},
        {1023, "日志", "Log"},
        {1053, "修改设备密码", "Change Password"},
        {1045, "设置设备编号和产品型号", "Set DevID and ProduceID"},
        {1001, "搜索", "Search"},
        {1258, "考勤机参数设置", "AttendParam"},
        {1259, "考勤服务器配置", "AttendServer"},
    };
    return captions;
}

Language LanguageForSelectorText(std::string_view text) {
    return text == "English" ? Language::English : Language::Chinese;
}

std::optional<Language> LanguageForSettingText(std::string_view text) {
    std::string lower;
    for (const char c : text) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "zh" || lower == "chinese") return Language::Chinese;
    if (lower == "en" || lower == "english") return Language::English;
    return std::nullopt;
}

const char* LanguageSettingText(Language language) { return language == Language::English ? "en" : "zh"; }

}  // namespace ostrand
