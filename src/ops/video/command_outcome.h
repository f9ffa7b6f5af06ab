#pragma once
// One form command a camera operation sent, with what came back. The preview
// dialog ignores most of these (the camera's controls keep the user's values),
// the command line reports them; both get the same record.

#include <string>
#include <vector>

#include "transport/form_channel.h"
#include "transport/param_map.h"

namespace ostrand::video {

struct CommandOutcome {
    std::string command;
    ParamMap request;  // without the channel's fixed form pair
    TransportResult result = kTransportOk;
    ParamMap reply;
    // The HTTP layer's own description when it failed (no answer, reset,
    // not HTTP), empty otherwise.
    std::string detail;
    // Not sent: an earlier command of the same action found the camera unreachable.
    bool skipped = false;

    // Delivered and not refused: a reply "result" other than "10000" is a refusal.
    bool Succeeded() const;
    // A reply the reading rules may use: delivered, not refused, not empty.
    bool Usable() const;
};

// Every command of one user action, in the order sent.
struct WriteResult {
    std::vector<CommandOutcome> sent;

    bool Succeeded() const;
    // The first failure's transport result, or 10 ("failed") for a refusal; 0 when all succeeded.
    TransportResult FirstFailure() const;
    // A UTF-8 text for the first failure: the transport's text (with the HTTP
    // layer's description where it has one) or the camera's "errmsg".
    std::string FailureText() const;
};

// Sends one POST form command and records it.
CommandOutcome PostCommand(CommandTarget& target, std::string command, ParamMap request);
// Sends one GET form command and records it.
CommandOutcome GetCommand(CommandTarget& target, std::string command);

}  // namespace ostrand::video
