#include "ops/peripherals/tempera_binding.h"

#include "devices/device_list.h"
#include "ops/attendance/list_fields.h"
#include "platform/code_page.h"
#include "transport/form_channel.h"

namespace ostrand {
namespace {

std::string Entry(const ParamMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

}  // namespace

BoundTempera GetBoundTempera(DeviceEndpoint& terminal) {
    BoundTempera bound;
    ParamMap reply;
    if (SendXmlCommand(terminal, {{"handtype", "1"}}, reply, kTemperaBindCode) && Entry(reply, "result") == "10000") {
        bound.ok = true;
        bound.ip = Entry(reply, "IP");
        bound.status = "获取成功";
    } else {
        bound.status = "获取失败";
    }
    return bound;
}

TemperaBindOutcome BindTemperaDevice(DeviceEndpoint& terminal, const std::string& ip, const std::string& user,
                                     const std::string& password) {
    TemperaBindOutcome outcome;
    const ParamMap request{{"handtype", "2"}, {"IP", ip}, {"user", user}, {"pwd", password}};
    ParamMap reply;
    if (SendXmlCommand(terminal, request, reply, kTemperaBindCode) && Entry(reply, "result") == "10000") {
        outcome.ok = true;
        outcome.bound = GetBoundTempera(terminal);
        outcome.status = "绑定成功";
    } else {
        outcome.status = "操作失败";
    }
    return outcome;
}

ParamMap SetTemperaIpRequest(const std::string& ip) { return {{"ip", ip}, {"dhcp", ip.empty() ? "1" : "0"}}; }

TemperaIpOutcome SetTemperaIp(DeviceEndpoint& tempera, const std::string& ip) {
    TemperaIpOutcome outcome;
    outcome.transport = SendFlatXmlCommand(outcome.reply, tempera, SetTemperaIpRequest(ip));
    if (outcome.transport != kTransportOk) {
        outcome.status = TransportResultText(outcome.transport);
        outcome.showMessage = true;
    } else if (AtoiValue(Entry(outcome.reply, "retcode")) == 10000) {
        outcome.ok = true;
        outcome.status = "操作成功，请稍候重新搜索...";
    } else {
        const auto message = Entry(outcome.reply, "msg");
        outcome.status = message.empty() ? std::string("操作失败") : GbkToUtf8Lossy(message);
        outcome.showMessage = true;
    }
    return outcome;
}

std::uint16_t TemperaPortFromCell(std::string_view portText) {
    const auto port = CellInt(portText);
    return port > 0 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

}  // namespace ostrand
