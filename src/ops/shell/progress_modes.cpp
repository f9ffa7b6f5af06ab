#include "ops/shell/progress_modes.h"

#include "platform/app_state.h"

namespace ostrand {

ProgressTexts ProgressTextsFor(ProgressMode mode) {
    switch (mode) {
        case ProgressMode::Search:
            return {Tr("搜索设备", "Searching devices"),
                    Tr("正在搜索,请等待......", "Searching devices,please wait....")};
        case ProgressMode::RestoreDefaults:
            return {Tr("恢复默认值设置", "Set Default"), Tr("恢复默认值中,请等待......", "Set Default,please wait....")};
        case ProgressMode::Import:
            return {Tr("导入数据", "Importing"), Tr("正在导入数据中,请等待......", "Importing,please wait....")};
    }
    return {"", ""};
}

std::int32_t NextProgressPosition(ProgressMode mode, std::int32_t position, std::int32_t range) {
    if (range <= 0) return 0;
    const int steps = mode == ProgressMode::Search ? 1 : 2;
    for (int i = 0; i < steps; ++i) position = (position + 1) % range;
    return position;
}

}  // namespace ostrand
