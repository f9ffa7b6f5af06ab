#include "ops/attendance/terminal_exchange.h"

#include "ops/attendance/list_fields.h"
#include "platform/code_page.h"
#include "transport/form_channel.h"

namespace ostrand {

TerminalOutcome TerminalOutcome::Refusal(std::string text) {
    TerminalOutcome outcome;
    outcome.status = Status::Refused;
    outcome.Add(std::move(text));
    return outcome;
}

Exchange SendTerminalCommand(const DeviceEndpoint& endpoint, const ParamMap& request,
                             CommandCode code, TerminalOutcome& outcome) {
    Exchange exchange;
    DeviceEndpoint target = endpoint;
    exchange.result = SendXmlCommandCoded(target, request, exchange.reply, code);
    if (!exchange.Ok()) {
        exchange.reply.clear();
        outcome.status = TerminalOutcome::Status::TransportFailed;
        outcome.transport = exchange.result;
        outcome.Add(TransportResultText(exchange.result));
    }
    return exchange;
}

std::string ReplyValue(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

bool ResultIsSuccess(const ParamMap& reply) { return ReplyValue(reply, "result") == "10000"; }

bool JudgeCodedReply(const Exchange& exchange, TerminalOutcome& outcome, const char* fallback,
                     const char* successText) {
    if (!exchange.Ok()) return false;
    if (AtoiValue(ReplyValue(exchange.reply, "result")) == 10000) {
        outcome.status = TerminalOutcome::Status::Done;
        if (successText != nullptr) outcome.Add(successText);
        return true;
    }
    outcome.status = TerminalOutcome::Status::DeviceRefused;
    const std::string errmsg = ReplyValue(exchange.reply, "errmsg");
    outcome.Add(errmsg.empty() ? std::string(fallback) : DeviceTextForDisplay(errmsg));
    return false;
}

std::string UnusableReplyText(const ParamMap& reply, std::initializer_list<const char*> keys,
                              bool resultRequired) {
    const auto result = reply.find("result");
    if ((result != reply.end() || resultRequired) && (result == reply.end() || result->second != "10000")) {
        std::string text = "终端拒绝了读取（result=" +
                           (result == reply.end() ? std::string() : DeviceTextForDisplay(result->second)) + "）";
        const std::string errmsg = ReplyValue(reply, "errmsg");
        if (!errmsg.empty()) text += "：" + DeviceTextForDisplay(errmsg);
        return text;
    }
    for (const char* key : keys) {
        if (!reply.contains(key)) return std::string("终端的回复缺少") + key;
    }
    return {};
}

std::string DeviceTextForDisplay(const std::string& gbk) { return GbkToUtf8Lossy(gbk); }

}  // namespace ostrand
