#pragma once
// Collects each thread's messages apart, so devices worked on at once do not
// mix their texts and no worker waits on a message box. A thread without a
// collector passes its messages on to the sink it falls back to. Installed by
// whatever runs one operation on many devices (the command line's fleet form,
// the main window's batch commands).

#include <string>
#include <string_view>
#include <vector>

#include "platform/message_sink.h"

namespace ostrand {

class PerThreadMessages final : public MessageSink {
public:
    explicit PerThreadMessages(MessageSink& fallback) : fallback_(fallback) {}
    void ShowMessage(std::string_view text, std::string_view caption) override;
    // Nobody can answer a question for a device worked on among others: it is
    // collected and answered No. Without a collector it goes to the fallback.
    bool AskYesNo(std::string_view text, std::string_view caption) override;

    // Collects the calling thread's messages into `texts` while alive.
    class Collect {
    public:
        explicit Collect(std::vector<std::string>& texts);
        ~Collect();
        Collect(const Collect&) = delete;
        Collect& operator=(const Collect&) = delete;

    private:
        std::vector<std::string>* previous_;
    };

private:
    MessageSink& fallback_;
};

}  // namespace ostrand
