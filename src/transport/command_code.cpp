#include "transport/command_code.h"

#include <array>
#include <utility>

namespace ostrand {

namespace {

constexpr std::array<std::pair<std::string_view, CommandCode>, 16> kNameTable{{
    {"getnetparam", 5000},
    {"getnetparam_v1", 5000},
    {"setnetparam", 5001},
    {"setnetparam_v1", 5001},
    {"modifyDevDevMaskMessage", 5002},
    {"CheckPasswd", 5003},
    {"ModifyPasswd", 5004},
    {"modifyDeviceNumber", 5005},
    {"modifyDeviceNumber_v1", 5005},
    {"modifyProductModel", 5006},
    {"modifyProductModel_v1", 5006},
    {"setRebootParm", 5007},
    {"getRebootParm", 5008},
    {"getUpdateKernelStatus", 5009},
    {"httpRestart", 5010},
    {"checkallversion", 5011},
}};

}  // namespace

CommandCode CommandCodeForName(std::string_view name) {
    for (const auto& [entryName, code] : kNameTable) {
        if (entryName == name) return code;
    }
    return 0;
}

}  // namespace ostrand
