#include "ops/video/command_outcome.h"

#include <algorithm>

#include "devices/device_ports.h"
#include "platform/code_page.h"
#include "transport/command_code.h"
#include "transport/failure_note.h"
#include "transport/transport_settings.h"

namespace ostrand::video {

namespace {

constexpr const char* kCarriedOut = "10000";

std::string ReplyValue(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

// The keys a step reads, with the two every reply's verdict needs.
std::vector<std::string_view> KeysKept(const std::vector<std::string_view>& keep) {
    if (keep.empty()) return {};
    std::vector<std::string_view> keys = keep;
    keys.push_back("result");
    keys.push_back("errmsg");
    return keys;
}

// The form channel's exchange, bounded by the action's deadline.
void Exchange(CommandTarget& target, CommandOutcome& outcome, const ExchangeBounds& bounds) {
    if (bounds.deadline != nullptr && bounds.deadline->Passed()) {
        outcome.result = kTransportFailed;
        outcome.skipped = true;
        outcome.detail = "the action's time (FormTimeout) has run out";
        NoteTransportFailure(outcome.result);
        return;
    }
    ParamMap request = outcome.request;
    FormCallBounds limits;
    if (bounds.deadline != nullptr) limits.remaining = bounds.deadline->Remaining();
    limits.keep = KeysKept(bounds.keep);
    FormCallReport report;
    outcome.result = FormCommandCoded(target, outcome.command, outcome.post, request, outcome.reply, limits, report);
    outcome.httpStatus = report.httpStatus;
    outcome.detail = std::move(report.failure);
    outcome.dropped = report.dropped;
}

CommandOutcome Send(CommandTarget& target, std::string command, ParamMap request, bool post,
                    const ExchangeBounds& bounds) {
    CommandOutcome outcome;
    outcome.command = std::move(command);
    outcome.request = std::move(request);
    outcome.post = post;
    Exchange(target, outcome, bounds);
    return outcome;
}

}  // namespace

bool CommandOutcome::Succeeded() const {
    if (skipped || result != kTransportOk) return false;
    const auto it = reply.find("result");
    return it == reply.end() || it->second == kCarriedOut;
}

bool CommandOutcome::Usable() const { return Succeeded() && (!reply.empty() || dropped > 0); }

bool CommandOutcome::NoAnswer() const {
    if (skipped) return true;
    return result != kTransportOk && result != kTransportBadParameter && httpStatus == 0;
}

std::string ShownFailure(const CommandOutcome& outcome) {
    if (outcome.skipped) return {};
    if (outcome.httpStatus != 0) {
        return outcome.post ? "POST出错，错误码：" + std::to_string(outcome.httpStatus) : std::string();
    }
    if (outcome.NoAnswer()) return outcome.detail.empty() ? TransportResultText(outcome.result) : outcome.detail;
    return {};
}

bool WriteResult::Succeeded() const {
    return std::all_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.Succeeded(); });
}

TransportResult WriteResult::FirstFailure() const {
    for (const CommandOutcome& outcome : sent) {
        if (outcome.result != kTransportOk) return outcome.result;
        if (!outcome.Succeeded()) return kTransportFailed;
    }
    return kTransportOk;
}

std::string WriteResult::FailureText() const {
    for (const CommandOutcome& outcome : sent) {
        if (outcome.result != kTransportOk) {
            std::string text = TransportResultText(outcome.result);
            if (!outcome.detail.empty()) text += ": " + outcome.detail;
            if (outcome.httpStatus != 0) text += ": " + outcome.command + " HTTP " + std::to_string(outcome.httpStatus);
            return text;
        }
        if (!outcome.Succeeded()) {
            const std::string errmsg = ReplyValue(outcome.reply, "errmsg");
            const std::string code = ReplyValue(outcome.reply, "result");
            return outcome.command + " " + code + (errmsg.empty() ? "" : " " + GbkToUtf8Lossy(errmsg));
        }
    }
    return {};
}

bool WriteResult::NoAnswer() const {
    return std::any_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.NoAnswer(); });
}

bool WriteResult::NothingAnswered() const {
    return !sent.empty() &&
           std::all_of(sent.begin(), sent.end(), [](const CommandOutcome& o) { return o.NoAnswer(); });
}

ActionDeadline::ActionDeadline() : ActionDeadline(CurrentTransportTimeouts().httpFormDeadline) {}

ActionDeadline::ActionDeadline(std::chrono::milliseconds budget) : end_(Clock::now() + budget) {}

std::chrono::milliseconds ActionDeadline::Remaining() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
}

CommandOutcome PostCommand(CommandTarget& target, std::string command, ParamMap request,
                           const ExchangeBounds& bounds) {
    return Send(target, std::move(command), std::move(request), true, bounds);
}

CommandOutcome GetCommand(CommandTarget& target, std::string command, const ExchangeBounds& bounds) {
    return Send(target, std::move(command), {}, false, bounds);
}

}  // namespace ostrand::video
