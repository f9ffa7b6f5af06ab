#include "ops/video/command_outcome.h"

#include "platform/code_page.h"

namespace ostrand::video {

namespace {

constexpr const char* kCarriedOut = "10000";

std::string ReplyValue(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

}  // namespace

bool CommandOutcome::Succeeded() const {
    if (skipped || result != kTransportOk) return false;
    const auto it = reply.find("result");
    return it == reply.end() || it->second == kCarriedOut;
}

bool CommandOutcome::Usable() const { return Succeeded() && !reply.empty(); }

bool WriteResult::Succeeded() const {
    for (const CommandOutcome& outcome : sent) {
        if (!outcome.Succeeded()) return false;
    }
    return true;
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

CommandOutcome PostCommand(CommandTarget& target, std::string command, ParamMap request) {
    CommandOutcome outcome;
    outcome.command = std::move(command);
    outcome.request = request;
    outcome.result = PostFormCommandCoded(target, outcome.command, request, outcome.reply, &outcome.detail);
    return outcome;
}

CommandOutcome GetCommand(CommandTarget& target, std::string command) {
    CommandOutcome outcome;
    outcome.command = std::move(command);
    outcome.result = GetFormCommandCoded(target, outcome.command, outcome.reply, &outcome.detail);
    return outcome;
}

}  // namespace ostrand::video
