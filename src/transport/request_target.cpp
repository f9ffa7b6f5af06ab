#include "transport/request_target.h"

namespace ostrand {

bool IsSafeRequestName(std::string_view name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) return false;
    }
    return true;
}

}  // namespace ostrand
