#include "ops/attendance/card_params.h"

#include "ops/attendance/list_fields.h"

namespace ostrand {

namespace {

bool InByteRange(const std::string& text) {
    const int value = AtoiValue(text);
    return value >= 0 && value <= 255;
}

}  // namespace

std::string CardParamsRefusal(const CardParams& params) {
    if (params.readCount.empty()) return "读取次数为空";
    if (!InByteRange(params.readCount)) return "读取次数不在范围0-255";
    if (params.readTime.empty()) return "读取时间为空";
    if (!InByteRange(params.readTime)) return "读取时间不在范围0-255";
    return {};
}

CardParamsRead ReadCardParams(const DeviceEndpoint& endpoint) {
    CardParamsRead read;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"handletype", "0"}}, kRemoteCardParamsCode, read.outcome);
    read.values.readCount = ReplyValue(exchange.reply, "readcount");
    read.values.readTime = ReplyValue(exchange.reply, "readtime");
    if (exchange.Ok()) read.unusable = UnusableReplyText(exchange.reply, {"readcount", "readtime"}, false);
    return read;
}

TerminalOutcome WriteCardParams(const DeviceEndpoint& endpoint, const CardParams& params) {
    if (std::string refusal = CardParamsRefusal(params); !refusal.empty()) {
        return TerminalOutcome::Refusal(std::move(refusal));
    }
    const ParamMap request{{"handletype", "1"},
                           {"readcount", params.readCount},
                           {"readtime", params.readTime}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kRemoteCardParamsCode, outcome);
    if (ResultIsSuccess(exchange.reply)) {
        outcome.Add("设置成功");
    } else {
        if (outcome.Succeeded()) outcome.status = TerminalOutcome::Status::DeviceRefused;
        outcome.Add("设置失败");
    }
    return outcome;
}

}  // namespace ostrand
