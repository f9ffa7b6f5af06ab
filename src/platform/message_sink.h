#pragma once
// Everything a device operation shows the user goes through one sink: the Qt
// application shows message boxes, the command-line tool prints to stderr and
// tests record. Texts are UTF-8. Callable from any thread; an implementation
// that shows windows marshals to its own thread and waits for the answer.

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A message box with an OK button.
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
};

// The sink in force. Defaults to one that writes to stderr and answers No.
MessageSink& Messages();
// Installs a sink (nullptr restores the default). The caller keeps ownership.
void SetMessageSink(MessageSink* sink);

// Shorthands for the sink in force.
void ShowMessage(std::string_view text, std::string_view caption = {});
bool AskYesNo(std::string_view text, std::string_view caption = {});

// Writes messages to stderr; questions are answered with a fixed answer.
class StderrMessageSink final : public MessageSink {
public:
    explicit StderrMessageSink(bool answer = false) : answer_(answer) {}
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;

private:
    bool answer_;
};

// Keeps every message and question; questions take queued answers (No when
// none is queued). Thread-safe.
class RecordingMessageSink final : public MessageSink {
public:
    struct Entry {
        std::string text;
        std::string caption;
        bool question = false;
    };
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;

    void QueueAnswer(bool yes);
    std::vector<Entry> Entries() const;
    std::vector<std::string> Texts() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
};

// Installs a sink for the lifetime of the guard and restores the previous one.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink& sink);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};

}  // namespace ostrand
