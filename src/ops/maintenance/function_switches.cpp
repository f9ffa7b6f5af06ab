#include "ops/maintenance/function_switches.h"

#include <cstdlib>
#include <string>

#include "platform/code_page.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

// These replies' "result" is read as a number: leading blanks, digits, and
// whatever follows is ignored.
bool ResultIsSuccess(const std::string& result) { return std::atol(result.c_str()) == 10000; }

void ShowRefusal(const std::string& errmsg, const char* fallback) {
    ShowMessage(errmsg.empty() ? std::string(fallback) : GbkToUtf8Lossy(errmsg));
}

}  // namespace

SwitchOutcome SetStreamSwitch(DeviceEndpoint& endpoint, SwitchChoice choice) {
    ParamMap request{{"handtype", "1"}, {"streamswitch", choice == SwitchChoice::Off ? "0" : "1"}};
    ParamMap reply;
    SwitchOutcome outcome;
    outcome.exchanged = SendXmlCommand(endpoint, request, reply, kStreamSwitchCode);
    outcome.ok = outcome.exchanged && reply["result"] == "10000";
    ShowMessage(outcome.ok ? "设置成功!" : "设置失败!");
    return outcome;
}

DebugLogState ReadDebugLog(DeviceEndpoint& endpoint) {
    DebugLogState state;
    ParamMap reply;
    state.outcome.exchanged = SendXmlCommand(endpoint, ParamMap{}, reply, kDebugLogReadCode);
    if (!state.outcome.exchanged) return state;
    state.outcome.ok = ResultIsSuccess(reply["result"]);
    if (!state.outcome.ok) {
        ShowRefusal(reply["errmsg"], "获取失败");
        return state;
    }
    const std::string& debuglog = reply["debuglog"];
    if (!debuglog.empty()) state.choice = debuglog == "0" ? SwitchChoice::Off : SwitchChoice::On;
    return state;
}

SwitchOutcome WriteDebugLog(DeviceEndpoint& endpoint, SwitchChoice choice) {
    ParamMap request{{"debuglog", choice == SwitchChoice::On ? "1" : "0"}};
    ParamMap reply;
    SwitchOutcome outcome;
    outcome.exchanged = SendXmlCommand(endpoint, request, reply, kDebugLogWriteCode);
    if (!outcome.exchanged) return outcome;
    outcome.ok = ResultIsSuccess(reply["result"]);
    if (outcome.ok) {
        ShowMessage("设置成功");
    } else {
        ShowRefusal(reply["errmsg"], "设置失败");
    }
    return outcome;
}

}  // namespace ostrand
