#include "ops/video/device_status.h"

namespace ostrand::video {

namespace {

constexpr const char* kNoSupport = "版本不支持";

std::string Value(const ParamMap& reply, const char* key) {
    const auto it = reply.find(key);
    return it == reply.end() ? std::string() : it->second;
}

std::string ButtonText(const std::string& value, const char* otherText) {
    if (value == "yes") return "DOWN";
    if (value == "no") return "UP";
    return otherText;
}

}  // namespace

DeviceStatusTexts StatusTextsFromReply(const ParamMap& reply, Language language) {
    const bool english = language == Language::English;
    const char* noSupport = english ? "No Support" : kNoSupport;
    DeviceStatusTexts texts;
    const std::string sd = Value(reply, "sdstatus");
    if (sd == "yes") {
        texts.sdCard = english ? "Insert" : "已插入";
    } else if (sd == "no") {
        texts.sdCard = english ? "No Insert" : "未插入";
    } else {
        texts.sdCard = noSupport;
    }
    // The reset field has no English "not supported" text.
    texts.resetButton = ButtonText(Value(reply, "resetbtnstatus"), kNoSupport);
    texts.alarm1 = ButtonText(Value(reply, "AlarmKey1"), noSupport);
    texts.alarm2 = ButtonText(Value(reply, "AlarmKey2"), noSupport);
    return texts;
}

bool StatusPoll::Failed() const { return outcome.result != kTransportOk; }

DeviceStatusTexts NoAnswerStatusTexts(Language language) {
    const char* text = language == Language::English ? "No Answer" : "设备无应答";
    return {text, text, text, text};
}

DeviceStatusTexts UnknownStatusTexts() {
    return {kNoSupport, kNoSupport, kNoSupport, kNoSupport};
}

StatusPoll PollDeviceStatus(CommandTarget& target, Language language) {
    StatusPoll poll;
    poll.outcome = GetCommand(target, "sdcheck", {nullptr, {"sdstatus", "resetbtnstatus", "AlarmKey1", "AlarmKey2"}});
    // A reply whose "result" is not "10000" still fills the fields; only a
    // call that failed leaves them at the "other" texts.
    poll.texts = StatusTextsFromReply(poll.outcome.result == kTransportOk ? poll.outcome.reply : ParamMap{}, language);
    return poll;
}

}  // namespace ostrand::video
