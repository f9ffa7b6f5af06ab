#include "ops/peripherals/speaker_config.h"

#include "ops/attendance/list_fields.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

std::string Entry(const ParamMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

bool SendIgnoringReply(DeviceEndpoint& terminal, const ParamMap& request) {
    ParamMap reply;
    return SendXmlCommand(terminal, request, reply, kSpeakerCode);
}

}  // namespace

std::optional<SpeakerPage> LoadSpeakerPage(DeviceEndpoint& terminal, bool placeMode) {
    ParamMap reply;
    if (!SendXmlCommand(terminal, {{"handtype", placeMode ? "6" : "0"}}, reply, kSpeakerCode)) return std::nullopt;
    return SpeakerPageFromReply(reply, placeMode);
}

std::optional<SpeakerVolume> GetSpeakerVolume(DeviceEndpoint& terminal, int speaker) {
    ParamMap reply;
    if (!SendXmlCommand(terminal, {{"handtype", "3"}, {"volaudiono", std::to_string(speaker)}}, reply, kSpeakerCode) ||
        Entry(reply, "result") != "10000")
        return std::nullopt;
    const auto text = Entry(reply, "volume");
    return SpeakerVolume{AtoiValue(text), text};
}

bool SetSpeakerVolume(DeviceEndpoint& terminal, int speaker, int volume) {
    return SendIgnoringReply(terminal,
                             {{"handtype", "2"}, {"volaudiono", std::to_string(speaker)}, {"volume", std::to_string(volume)}});
}

bool SetRadioBand(DeviceEndpoint& terminal, int band) {
    return SendIgnoringReply(terminal, {{"handtype", "4"}, {"audiofreq", std::to_string(band)}});
}

bool SetSpeakerTest(DeviceEndpoint& terminal, int speaker, bool on) {
    return SendIgnoringReply(terminal,
                             {{"handtype", "5"}, {"volaudiono", std::to_string(speaker)}, {"audiotestsw", on ? "1" : "0"}});
}

ClassSpeakersOutcome SetClassSpeakers(DeviceEndpoint& terminal, bool placeMode, const std::string& id,
                                      const std::string& speakers) {
    if (auto refusal = CheckSpeakerText(speakers)) return {false, std::move(*refusal), true};
    ParamMap request{{"audiono", speakers}};
    if (placeMode) {
        request["handtype"] = "7";
        request["classroomid"] = id;
    } else {
        request["handtype"] = "1";
        request["classid"] = id;
    }
    ParamMap reply;
    if (SendXmlCommand(terminal, request, reply, kSpeakerCode) && Entry(reply, "result") == "10000")
        return {true, "设置成功!"};
    std::string message = "设置失败";
    // The terminal writes its error text in UTF-8.
    if (const auto error = Entry(reply, "errmsg"); !error.empty()) 
        message += "，错误消息：" + (IsValidUtf8(error) ? error : GbkToUtf8Lossy(error));
    return {false, message};
}

}  // namespace ostrand
