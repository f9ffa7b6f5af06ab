#include "ops/attendance/server_settings.h"

namespace ostrand {

AttendServerRead ReadAttendServer(const DeviceEndpoint& endpoint) {
    AttendServerRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetAttendServerCode, read.outcome);
    read.values.ip = ReplyValue(exchange.reply, "AttendIp");
    read.values.port = ReplyValue(exchange.reply, "AttendPort");
    read.values.selfRun = read.values.ip != kNoAttendServerIp;
    if (exchange.Ok()) read.unusable = UnusableReplyText(exchange.reply, {"AttendIp", "AttendPort"}, false);
    return read;
}

TerminalOutcome WriteAttendServer(const DeviceEndpoint& endpoint, const AttendServer& values) {
    if (values.ip.size() > kMaxAttendServerIpBytes) {
        return TerminalOutcome::Refusal("输入的IP太长，请重新输入");
    }
    const ParamMap request = values.selfRun
                                 ? ParamMap{{"AttendIp", values.ip}, {"AttendPort", values.port}}
                                 : ParamMap{{"AttendIp", kNoAttendServerIp}, {"AttendPort", ""}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kSetAttendServerCode, outcome);
    if (exchange.Ok()) outcome.Add("设置成功");
    return outcome;
}

PhotoIpcServerRead ReadPhotoIpcServer(const DeviceEndpoint& endpoint) {
    PhotoIpcServerRead read;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {}, kGetPhotoIpcServerCode, read.outcome);
    read.ip = ReplyValue(exchange.reply, "AttendClientIp");
    if (exchange.Ok()) read.unusable = UnusableReplyText(exchange.reply, {"AttendClientIp"}, false);
    return read;
}

TerminalOutcome WritePhotoIpcServer(const DeviceEndpoint& endpoint, const std::string& ip) {
    if (ip.empty()) return TerminalOutcome::Refusal("IP为空，请重新输入");
    TerminalOutcome outcome;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"AttendClientIp", ip}}, kSetPhotoIpcServerCode, outcome);
    if (ResultIsSuccess(exchange.reply)) {
        outcome.status = TerminalOutcome::Status::Done;
        outcome.Add("设置成功");
    } else {
        if (outcome.Succeeded()) outcome.status = TerminalOutcome::Status::DeviceRefused;
        outcome.Add("设置失败");
    }
    return outcome;
}

}  // namespace ostrand
