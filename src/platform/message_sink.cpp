#include "platform/message_sink.h"

#include <atomic>
#include <cstdio>

namespace ostrand {
namespace {
StderrMessageSink g_defaultSink;
std::atomic<MessageSink*> g_sink{nullptr};
}  // namespace

MessageSink& Messages() {
    MessageSink* sink = g_sink.load(std::memory_order_acquire);
    return sink != nullptr ? *sink : g_defaultSink;
}

void SetMessageSink(MessageSink* sink) { g_sink.store(sink, std::memory_order_release); }

void ShowMessage(std::string_view text, std::string_view caption) { Messages().ShowMessage(text, caption); }
bool AskYesNo(std::string_view text, std::string_view caption) { return Messages().AskYesNo(text, caption); }

void StderrMessageSink::ShowMessage(std::string_view text, std::string_view caption) {
    if (caption.empty()) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    } else {
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                     static_cast<int>(text.size()), text.data());
    }
}

bool StderrMessageSink::AskYesNo(std::string_view text, std::string_view caption) {
    ShowMessage(text, caption);
    std::fprintf(stderr, "(answered %s)\n", answer_ ? "yes" : "no");
    return answer_;
}

void RecordingMessageSink::ShowMessage(std::string_view text, std::string_view caption) {
    std::lock_guard lock(mutex_);
    entries_.push_back({std::string(text), std::string(caption), false});
}

bool RecordingMessageSink::AskYesNo(std::string_view text, std::string_view caption) {
    std::lock_guard lock(mutex_);
    entries_.push_back({std::string(text), std::string(caption), true});
    if (answers_.empty()) return false;
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void RecordingMessageSink::QueueAnswer(bool yes) {
    std::lock_guard lock(mutex_);
    answers_.push_back(yes);
}

std::vector<RecordingMessageSink::Entry> RecordingMessageSink::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> RecordingMessageSink::Texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    texts.reserve(entries_.size());
    for (const auto& entry : entries_) texts.push_back(entry.text);
    return texts;
}

void RecordingMessageSink::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    answers_.clear();
}

ScopedMessageSink::ScopedMessageSink(MessageSink& sink) : previous_(g_sink.load(std::memory_order_acquire)) {
    SetMessageSink(&sink);
}

ScopedMessageSink::~ScopedMessageSink() { SetMessageSink(previous_); }

}  // namespace ostrand
