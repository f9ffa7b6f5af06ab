#pragma once
// One form command a camera operation sent, with what came back. The preview
// dialog shows the failures as the form channel's bool calls do; the command
// line reports them; both get the same record.
//
// The exchanges here are the form channel's own requests (same request line,
// header and body), made with two bounds the channel's calls do not take: one
// deadline for every command of a user action, and the reply keys the action
// uses, so a camera answering with a huge form keeps only a handful of them.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
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
    // not HTTP, the action's deadline), empty otherwise.
    std::string detail;
    // The camera's HTTP status when it was not 200 (the command then failed
    // with kTransportFailed); 0 otherwise.
    long httpStatus = 0;
    // Reply pairs not kept (keys the action does not read): the reply held
    // entries even when `reply` is empty.
    std::size_t dropped = 0;
    bool post = true;  // POST (shows "POST出错" on a status) or GET
    // Not sent: an earlier command of the same action got no answer, or the
    // action's deadline had passed.
    bool skipped = false;

    // Delivered and not refused: a reply "result" other than "10000" is a refusal.
    bool Succeeded() const;
    // A reply the reading rules may use: delivered, not refused, not empty.
    bool Usable() const;
    // The camera did not answer (a transport failure, or not sent for that
    // reason). An HTTP status or a refusal is an answer.
    bool NoAnswer() const;
};

// The message the form channel's bool call shows for this outcome (UTF-8):
// "POST出错，错误码：%d" for a POST answered with a status, the HTTP layer's
// description when there was no answer; empty for a success, a refusal, a GET
// answered with a status and a command not sent.
std::string ShownFailure(const CommandOutcome& outcome);

// Every command of one user action, in the order sent.
struct WriteResult {
    std::vector<CommandOutcome> sent;

    bool Succeeded() const;
    // The first failure's transport result, or 10 ("failed") for a refusal; 0 when all succeeded.
    TransportResult FirstFailure() const;
    // A UTF-8 text for the first failure: the transport's text (with the HTTP
    // layer's description or the status where it has one) or the camera's "errmsg".
    std::string FailureText() const;
    // Some command got no answer.
    bool NoAnswer() const;
    // Every command sent got no answer (and at least one was sent).
    bool NothingAnswered() const;
};

// The end of one user action: every exchange of the action ends by it. Starts
// at the form exchange's own bound ("FormTimeout").
class ActionDeadline {
public:
    using Clock = std::chrono::steady_clock;
    ActionDeadline();
    explicit ActionDeadline(std::chrono::milliseconds budget);
    std::chrono::milliseconds Remaining() const;
    bool Passed() const { return Remaining().count() <= 0; }

private:
    Clock::time_point end_;
};

// What one exchange may use: the action's deadline (none: the exchange's own
// bound only) and the reply keys kept ("result" and "errmsg" always; an empty
// list keeps every key).
struct ExchangeBounds {
    const ActionDeadline* deadline = nullptr;
    std::vector<std::string_view> keep;
};

// Sends one POST form command and records it.
CommandOutcome PostCommand(CommandTarget& target, std::string command, ParamMap request,
                           const ExchangeBounds& bounds = {});
// Sends one GET form command and records it.
CommandOutcome GetCommand(CommandTarget& target, std::string command, const ExchangeBounds& bounds = {});


}  // namespace ostrand::video
