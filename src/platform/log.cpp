#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace ostrand {
namespace {

constexpr char kLineTail[] = " ||end\n";

struct LogState {
    std::mutex mutex;
    std::FILE* file = nullptr;
};

LogState& State() {
    static LogState state;
    return state;
}

}  // namespace

bool OpenLogFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) return false;
    auto& state = State();
    std::lock_guard lock(state.mutex);
    if (state.file != nullptr) std::fclose(state.file);
    state.file = file;
    return true;
}

void CloseLogFile() {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    if (state.file != nullptr) std::fclose(state.file);
    state.file = nullptr;
}

std::string FormatLogLine(const char* sourcePath, int line, const std::string& message) {
    std::string head = "FILE :";
    head += sourcePath != nullptr ? sourcePath : "";
    head += " , LINE :" + std::to_string(line) + " , Log:";
    std::string body = message.substr(0, kLogLineLimit);
    // The line is held to the limit by shortening the message, never by
    // dropping the tail: a line without its end marker and line feed would run
    // into the next one.
    const std::size_t fixed = head.size() + sizeof kLineTail - 1;
    if (fixed + body.size() > kLogLineLimit) {
        body.resize(fixed < kLogLineLimit ? kLogLineLimit - fixed : 0);
    }
    return head + body + kLineTail;
}

void WriteLog(const char* sourcePath, int line, const char* format, ...) {
    char message[kLogLineLimit + 1];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (written < 0) return;

    const std::string text = FormatLogLine(sourcePath, line, message);
    auto& state = State();
    std::lock_guard lock(state.mutex);
    if (state.file == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), state.file);
    std::fflush(state.file);
}

}  // namespace ostrand
