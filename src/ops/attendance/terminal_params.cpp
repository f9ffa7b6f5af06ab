#include "ops/attendance/terminal_params.h"

#include <algorithm>

#include "ops/attendance/list_fields.h"

namespace ostrand {

namespace {

// The atoi value taken as unsigned, as the terminal reads it: a negative
// number becomes a very large one and fails every upper bound.
unsigned UnsignedValue(const std::string& text) { return static_cast<unsigned>(AtoiValue(text)); }

// Marks a convention-A reply: "result" "10000" or the failure text.
TerminalOutcome JudgeResult(const Exchange& exchange, TerminalOutcome outcome, const char* success,
                            const char* failure) {
    if (ResultIsSuccess(exchange.reply)) {
        outcome.status = TerminalOutcome::Status::Done;
        outcome.Add(success);
    } else {
        if (outcome.status == TerminalOutcome::Status::Done) {
            outcome.status = TerminalOutcome::Status::DeviceRefused;
        }
        outcome.Add(failure);
    }
    return outcome;
}

std::size_t UsableChannels(std::size_t a, std::size_t b) {
    return std::min<std::size_t>({static_cast<std::size_t>(kTerminalChannels), a, b});
}

}  // namespace

bool UnlockTimeAccepted(const std::string& text) { return UnsignedValue(text) <= 254; }

bool NewAddressAccepted(const std::string& text) {
    return !text.empty() && UnsignedValue(text) <= 7;
}

bool DirectionAccepted(const std::string& text) {
    if (text.empty()) return false;
    const int value = AtoiValue(text);
    return value == 0 || value == 1;
}

bool FaceIntervalAccepted(const std::string& text) { return UnsignedValue(text) <= 127; }

DoorAlarmRead ReadDoorAlarm(const DeviceEndpoint& endpoint) {
    DoorAlarmRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetDoorAlarmCode, read.outcome);
    read.values.alarmOn = ReplyValue(exchange.reply, "AlarmType") != "0";
    read.values.unlockTime = ReplyValue(exchange.reply, "UnlockTime");
    if (exchange.Ok()) read.unusable = UnusableReplyText(exchange.reply, {"AlarmType", "UnlockTime"}, false);
    return read;
}

TerminalOutcome WriteDoorAlarm(const DeviceEndpoint& endpoint, const DoorAlarm& values) {
    if (!UnlockTimeAccepted(values.unlockTime)) {
        return TerminalOutcome::Refusal("输入开锁时间有误,参数范围需在0-254内");
    }
    const ParamMap request{{"AlarmType", values.alarmOn ? "1" : "0"},
                           {"UnlockTime", values.unlockTime}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kSetDoorAlarmCode, outcome);
    return JudgeResult(exchange, std::move(outcome), "设置成功", "设置失败");
}

AddressOutcome SetGateAddress(const DeviceEndpoint& endpoint, const std::string& currentAddress,
                              const std::string& newAddress) {
    AddressOutcome result;
    if (!NewAddressAccepted(newAddress)) {
        result.outcome = TerminalOutcome::Refusal("输入有误,参数范围需在0-7内");
        return result;
    }
    const ParamMap request{{"handtype", "1"}, {"iAddr", currentAddress}, {"newId", newAddress}};
    const Exchange exchange =
        SendTerminalCommand(endpoint, request, kGateControllerCode, result.outcome);
    if (ResultIsSuccess(exchange.reply)) result.address = ReplyValue(exchange.reply, "addr");
    result.outcome = JudgeResult(exchange, std::move(result.outcome), "设置成功", "设置超时");
    return result;
}

TerminalOutcome TurnOffGreenLed(const DeviceEndpoint& endpoint, const std::string& currentAddress) {
    if (currentAddress.empty()) return TerminalOutcome::Refusal("请先获取地址");
    const ParamMap request{{"handtype", "2"}, {"ledSw", "0"}, {"iAddr", currentAddress}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kGateControllerCode, outcome);
    return JudgeResult(exchange, std::move(outcome), "关闭成功", "关闭超时");
}

AddressOutcome GetGateAddress(const DeviceEndpoint& endpoint) {
    AddressOutcome result;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"handtype", "3"}}, kGateControllerCode, result.outcome);
    // Any "result" counts as an answer here; only its absence is a time-out.
    if (ReplyValue(exchange.reply, "result").empty()) {
        if (result.outcome.Succeeded()) result.outcome.status = TerminalOutcome::Status::DeviceRefused;
        result.outcome.Add("获取超时");
        return result;
    }
    const std::string address = ReplyValue(exchange.reply, "addr");
    if (address.empty()) {
        result.outcome.status = TerminalOutcome::Status::DeviceRefused;
        result.outcome.Add("获取失败");
    } else {
        result.address = address;
    }
    return result;
}

TerminalOutcome SetGateDirection(const DeviceEndpoint& endpoint, const std::string& currentAddress,
                                 const std::string& direction) {
    if (!DirectionAccepted(direction)) return TerminalOutcome::Refusal("输入有误,参数为0或1");
    const ParamMap request{{"handtype", "4"}, {"iAddr", currentAddress}, {"dire", direction}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kGateControllerCode, outcome);
    return JudgeResult(exchange, std::move(outcome), "设置成功", "设置超时");
}

GateChannelsRead ReadGateChannels(const DeviceEndpoint& endpoint) {
    GateChannelsRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetGateChannelsCode, read.outcome);
    if (!JudgeCodedReply(exchange, read.outcome, "获取失败")) return read;
    const std::vector<int> inout = SplitIntList(ReplyValue(exchange.reply, "inoutlist"));
    const std::vector<int> sound = SplitIntList(ReplyValue(exchange.reply, "soundlist"));
    const std::size_t k = UsableChannels(inout.size(), sound.size());
    for (std::size_t i = 0; i < k; ++i) read.channels.push_back({inout[i] != 0, sound[i] != 0});
    return read;
}

ParamMap GateChannelsRequest(const std::array<GateChannel, kTerminalChannels>& channels) {
    std::array<int, kTerminalChannels> inout{};
    std::array<int, kTerminalChannels> sound{};
    for (int i = 0; i < kTerminalChannels; ++i) {
        inout[i] = channels[i].outbound ? 1 : 0;
        sound[i] = !channels[i].outbound || channels[i].announce ? 1 : 0;
    }
    return {{"inoutlist", FormatChannelList(inout)}, {"soundlist", FormatChannelList(sound)}};
}

TerminalOutcome WriteGateChannels(const DeviceEndpoint& endpoint,
                                  const std::array<GateChannel, kTerminalChannels>& channels) {
    TerminalOutcome outcome;
    const Exchange exchange =
        SendTerminalCommand(endpoint, GateChannelsRequest(channels), kSetGateChannelsCode, outcome);
    JudgeCodedReply(exchange, outcome, "设置失败", "设置成功");
    return outcome;
}

FaceChannelsRead ReadFaceChannels(const DeviceEndpoint& endpoint) {
    FaceChannelsRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetFaceChannelsCode, read.outcome);
    if (!JudgeCodedReply(exchange, read.outcome, "获取失败")) return read;
    const std::vector<int> inout = SplitIntList(ReplyValue(exchange.reply, "inoutlist"));
    const std::size_t k = UsableChannels(inout.size(), inout.size());
    for (std::size_t i = 0; i < k; ++i) read.outbound.push_back(inout[i] != 0);
    return read;
}

TerminalOutcome WriteFaceChannels(const DeviceEndpoint& endpoint,
                                  const std::array<bool, kTerminalChannels>& outbound) {
    std::array<int, kTerminalChannels> inout{};
    for (int i = 0; i < kTerminalChannels; ++i) inout[i] = outbound[i] ? 1 : 0;
    const ParamMap request{{"chnlcnt", "4"}, {"inoutlist", FormatChannelList(inout)}};
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, request, kSetFaceChannelsCode, outcome);
    JudgeCodedReply(exchange, outcome, "设置失败", "设置成功");
    return outcome;
}

FaceModeRead ReadFaceMode(const DeviceEndpoint& endpoint) {
    FaceModeRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetFaceModeCode, read.outcome);
    if (JudgeCodedReply(exchange, read.outcome, "获取失败")) {
        read.mode = AtoiValue(ReplyValue(exchange.reply, "mode"));
    }
    return read;
}

TerminalOutcome WriteFaceMode(const DeviceEndpoint& endpoint, bool mode10) {
    TerminalOutcome outcome;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"mode", mode10 ? "1" : "2"}}, kSetFaceModeCode, outcome);
    JudgeCodedReply(exchange, outcome, "设置失败", "设置成功");
    return outcome;
}

int SpeakerRepeatEntry(const std::string& repeatTime) {
    const int n = AtoiValue(repeatTime);
    if (n <= 0) return 0;
    return n <= 3 ? n - 1 : -1;
}

SpeakerRepeatRead ReadSpeakerRepeat(const DeviceEndpoint& endpoint) {
    SpeakerRepeatRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetSpeakerRepeatCode, read.outcome);
    if (JudgeCodedReply(exchange, read.outcome, "获取失败")) {
        read.entry = SpeakerRepeatEntry(ReplyValue(exchange.reply, "repeatTime"));
    }
    return read;
}

TerminalOutcome WriteSpeakerRepeat(const DeviceEndpoint& endpoint, const std::string& repeatTime) {
    TerminalOutcome outcome;
    const Exchange exchange = SendTerminalCommand(endpoint, {{"repeatTime", repeatTime}},
                                                  kSetSpeakerRepeatCode, outcome);
    JudgeCodedReply(exchange, outcome, "设置失败", "设置成功");
    return outcome;
}

FaceIntervalRead ReadFaceInterval(const DeviceEndpoint& endpoint) {
    FaceIntervalRead read;
    const Exchange exchange = SendTerminalCommand(endpoint, {}, kGetFaceIntervalCode, read.outcome);
    if (JudgeCodedReply(exchange, read.outcome, "获取失败")) {
        read.interval = ReplyValue(exchange.reply, "interval");
    }
    return read;
}

TerminalOutcome WriteFaceInterval(const DeviceEndpoint& endpoint, const std::string& interval) {
    if (!FaceIntervalAccepted(interval)) {
        return TerminalOutcome::Refusal("输入时间间隔有误,参数范围需在0-127内");
    }
    TerminalOutcome outcome;
    const Exchange exchange =
        SendTerminalCommand(endpoint, {{"interval", interval}}, kSetFaceIntervalCode, outcome);
    JudgeCodedReply(exchange, outcome, "设置失败", "设置成功");
    return outcome;
}

}  // namespace ostrand
