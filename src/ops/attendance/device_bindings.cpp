#include "ops/attendance/device_bindings.h"

#include "ops/attendance/list_fields.h"

namespace ostrand {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::string BindingRefusal(CommandCode code, const ChannelBindings& channels,
                           const std::string& ownNumber) {
    if (code == kBindPhotoIpcCode) {
        for (const std::string& channel : channels) {
            if (channel == ownNumber) return "不可绑定自己!";
        }
    } else {
        for (std::size_t i = 0; i < channels.size(); ++i) {
            for (std::size_t j = i + 1; j < channels.size(); ++j) {
                if (!channels[i].empty() && channels[i] == channels[j]) return "不可重复绑定!";
            }
        }
    }
    return {};
}

std::string BindingList(const ChannelBindings& channels) {
    return JoinTerminated({channels.begin(), channels.end()}, '&');
}

std::string BindingFailureText(const ParamMap& reply) {
    const std::string result = ReplyValue(reply, "result");
    if (result == "5") {
        std::string message = DeviceTextForDisplay(ReplyValue(reply, "message"));
        ReplaceAll(message, ":1", ":非法");
        ReplaceAll(message, ":2", ":已绑定");
        return message + ",请重新设置!";
    }
    // Digit by digit, in this order; the inserted texts hold no ASCII digits.
    std::string text = DeviceTextForDisplay(result);
    ReplaceAll(text, "1", "无效的服务器地址，确定是否成功登陆为考勤机！");
    ReplaceAll(text, "2", "JSON编码出错！");
    ReplaceAll(text, "3", "网络异常！");
    ReplaceAll(text, "4", "通讯异常！");
    return text;
}

BindingsRead ReadBindings(const DeviceEndpoint& endpoint, CommandCode code) {
    BindingsRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {{"handtype", "0"}}, code, read.outcome);
    if (!exchange.Ok()) return read;
    read.unusable = UnusableReplyText(exchange.reply, {"devicenos"}, false);
    const auto pieces = SplitFields(ReplyValue(exchange.reply, "devicenos"), '&');
    for (std::size_t i = 0; i < read.channels.size() && i < pieces.size(); ++i) {
        read.channels[i] = pieces[i];
    }
    return read;
}

TerminalOutcome WriteBindings(const DeviceEndpoint& endpoint, CommandCode code,
                              const ChannelBindings& channels, const std::string& ownNumber) {
    if (std::string refusal = BindingRefusal(code, channels, ownNumber); !refusal.empty()) {
        return TerminalOutcome::Refusal(std::move(refusal));
    }
    const ParamMap request{{"handtype", "1"}, {"devicenos", BindingList(channels)}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, code, outcome);
    if (!exchange.Ok()) return outcome;
    if (ResultIsSuccess(exchange.reply)) {
        outcome.Add("设置成功!");
        return outcome;
    }
    outcome.status = TerminalOutcome::Status::DeviceRefused;
    outcome.Add(BindingFailureText(exchange.reply));
    return outcome;
}

bool VisitorVersionSupported(const std::string& version) {
    const std::size_t at = version.find("6.8.");
    if (at == std::string::npos) return false;
    return AtofValue(std::string_view(version).substr(at + 4)) > 232;
}

VisitorSearch SearchVisitors(const DeviceEndpoint& endpoint, const std::string& version) {
    VisitorSearch search;
    if (!VisitorVersionSupported(version)) {
        search.outcome = TerminalOutcome::Refusal("版本不支持!");
        return search;
    }
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"handtype", "1"}}, kVisitorDevicesCode, search.outcome);
    if (!ResultIsSuccess(exchange.reply)) {
        if (exchange.Ok()) search.outcome.status = TerminalOutcome::Status::DeviceRefused;
        search.outcome.Add("搜索失败!");
        return search;
    }
    const auto binds = SplitFields(ReplyValue(exchange.reply, "bind"), '&');
    const auto numbers = SplitFields(ReplyValue(exchange.reply, "devicecode"), '&');
    const auto ips = SplitFields(ReplyValue(exchange.reply, "ip"), '&');
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        VisitorRow row;
        row.deviceNumber = numbers[i];
        row.ip = FieldAt(ips, i);
        row.hasBinding = !FieldAt(binds, i).empty();
        row.bound = row.hasBinding && AtoiValue(FieldAt(binds, i)) == 1;
        search.rows.push_back(std::move(row));
    }
    return search;
}

TerminalOutcome BindVisitors(const DeviceEndpoint& endpoint, const std::string& version,
                             const std::vector<std::string>& deviceNumbers) {
    if (!VisitorVersionSupported(version)) return TerminalOutcome::Refusal("版本不支持!");
    ParamMap request{{"handtype", "2"}};
    if (!deviceNumbers.empty()) request["binddevice"] = JoinTerminated(deviceNumbers, '&');
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kVisitorDevicesCode, outcome);
    if (ResultIsSuccess(exchange.reply)) {
        outcome.Add("设置成功!");
        return outcome;
    }
    if (exchange.Ok()) outcome.status = TerminalOutcome::Status::DeviceRefused;
    const std::string errmsg = ReplyValue(exchange.reply, "errmsg");
    outcome.Add(errmsg.empty() ? std::string("设置失败") : DeviceTextForDisplay(errmsg));
    return outcome;
}

}  // namespace ostrand
