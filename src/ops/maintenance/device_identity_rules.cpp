#include "ops/maintenance/device_identity_rules.h"

#include "ops/maintenance/device_name_rules.h"
#include "platform/app_state.h"

namespace ostrand {

std::string TrimTabsAndLineFeeds(std::string_view text) {
    constexpr std::string_view kTrimmed = "\t\n";
    const std::size_t first = text.find_first_not_of(kTrimmed);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(kTrimmed);
    return std::string(text.substr(first, last - first + 1));
}

std::optional<std::string> DeviceNumberProblem(std::string_view trimmedGbk) {
    if (auto problem = ForbiddenCharacterProblem(trimmedGbk)) return problem;
    const std::size_t length = trimmedGbk.size();
    if (length != 6 && length != 8 && length != 11) {
        return std::string(Tr("新输入的设备编号长度不符，长度必须为6个字符，8个字符或者11个字符",
                              "The length of decice ID should be 6 or 8 or 11"));
    }
    return std::nullopt;
}

std::optional<std::string> ProductModelProblem(std::string_view gbk) {
    if (gbk.empty()) return std::string(Tr("请输入产品型号！！", "Please input product ID"));
    if (gbk.size() > kMaxProductModelBytes) {
        return std::string(Tr("新输入的产品型号过长，请重新输入", "The length of product ID is too long"));
    }
    return ForbiddenCharacterProblem(gbk);
}

}  // namespace ostrand
