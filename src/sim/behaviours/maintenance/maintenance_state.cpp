#include "sim/behaviours/maintenance/maintenance_state.h"

#include <stdexcept>

#include "platform/code_page.h"

namespace ostrand::sim {
namespace {

std::string Gbk(const nlohmann::json& value, const char* what) {
    if (!value.is_string()) throw std::invalid_argument(std::string("maintenance state: ") + what + " must be a text");
    const auto text = value.get<std::string>();
    auto gbk = Utf8ToGbk(text);
    if (!gbk) throw std::invalid_argument(std::string("maintenance state: ") + what + " is not GBK text");
    return *gbk;
}

}  // namespace

MaintenanceState LoadMaintenanceState(const nlohmann::json& starting) {
    MaintenanceState state;
    state.loaded = true;
    if (starting.is_null()) return state;
    if (!starting.is_object()) throw std::invalid_argument("maintenance state must be an object");
    for (const auto& [key, value] : starting.items()) {
        if (key == "password") {
            state.password = Gbk(value, "\"password\"");
        } else if (key == "refuse") {
            if (!value.is_object()) throw std::invalid_argument("maintenance state: \"refuse\" must be an object");
            for (const auto& [command, reason] : value.items()) state.refusals[command] = Gbk(reason, "a refusal");
        } else {
            throw std::invalid_argument("maintenance state: unknown key \"" + key + "\"");
        }
    }
    return state;
}

}  // namespace ostrand::sim
