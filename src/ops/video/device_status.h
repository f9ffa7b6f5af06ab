#pragma once
// The camera's status fields (SD card, reset button, two alarm inputs) read
// with "sdcheck", and the rule that ends the background poll: it stops after
// two failed polls in a row, leaving the fields at their last texts.

#include <string>

#include "ops/video/command_outcome.h"
#include "platform/app_state.h"

namespace ostrand::video {

// Shown texts (UTF-8) of the four status fields.
struct DeviceStatusTexts {
    std::string sdCard;
    std::string resetButton;
    std::string alarm1;
    std::string alarm2;

    friend bool operator==(const DeviceStatusTexts&, const DeviceStatusTexts&) = default;
};

// From an "sdcheck" reply; a missing key or an empty reply gives the
// "not supported" text of that field.
DeviceStatusTexts StatusTextsFromReply(const ParamMap& reply, Language language);
// The texts before the first poll.
DeviceStatusTexts UnknownStatusTexts();
// The texts of a camera that answered none of the preview's opening reads.
DeviceStatusTexts NoAnswerStatusTexts(Language language);

struct StatusPoll {
    CommandOutcome outcome;
    DeviceStatusTexts texts;
    // The call failed (no answer, or an HTTP status): the poll counts as failed.
    // A refusal in the reply's "result" is an answer that fills the fields.
    bool Failed() const;
};
StatusPoll PollDeviceStatus(CommandTarget& target, Language language);

// Counts failed polls; a successful poll starts the count again.
class StatusPollRule {
public:
    static constexpr int kFailuresToStop = 2;
    void Record(bool succeeded) { failures_ = succeeded ? 0 : failures_ + 1; }
    bool KeepPolling() const { return failures_ < kFailuresToStop; }
    int Failures() const { return failures_; }

private:
    int failures_ = 0;
};

}  // namespace ostrand::video
