#include "ops/maintenance/device_name_rules.h"

#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {

std::optional<char> FindForbiddenNameByte(std::string_view gbk) {
    for (const char byte : gbk) {
        for (std::size_t i = 0; i < kForbiddenNameCharsText.size(); i += 2) {
            if (byte == kForbiddenNameCharsText[i]) return byte;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ForbiddenCharacterProblem(std::string_view gbk) {
    if (!FindForbiddenNameByte(gbk)) return std::nullopt;
    return std::string(Tr("名称［", "Title［")) + GbkToUtf8Lossy(gbk) +
           Tr("］中不能包含下列字符：\n\n    ", "］cannot include：\n\n    ") +
           std::string(kForbiddenNameCharsText);
}

std::optional<std::string> DeviceNameProblem(std::string_view gbk) {
    if (gbk.empty() || gbk.size() > kMaxDeviceNameBytes) {
        return std::string(Tr("输入字符大于30或为空", "Input String > 30,or null"));
    }
    return ForbiddenCharacterProblem(gbk);
}

}  // namespace ostrand
