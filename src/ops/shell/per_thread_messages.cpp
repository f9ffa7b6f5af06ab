#include "ops/shell/per_thread_messages.h"

namespace ostrand {
namespace {
thread_local std::vector<std::string>* g_current = nullptr;
}  // namespace

void PerThreadMessages::ShowMessage(std::string_view text, std::string_view caption) {
    if (g_current != nullptr) {
        g_current->emplace_back(text);
    } else {
        fallback_.ShowMessage(text, caption);
    }
}

bool PerThreadMessages::AskYesNo(std::string_view text, std::string_view caption) {
    if (g_current == nullptr) return fallback_.AskYesNo(text, caption);
    g_current->emplace_back(text);
    return false;
}

PerThreadMessages::Collect::Collect(std::vector<std::string>& texts) : previous_(g_current) { g_current = &texts; }

PerThreadMessages::Collect::~Collect() { g_current = previous_; }

}  // namespace ostrand
