// The peripheral dialogs' reply handling over untrusted replies: wireless
// speakers, network amplifiers and their classes, the temperature device a
// terminal uses and a temperature device's address change, and the rules
// their texts pass.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/ops/fuzz_input.h"
#include "ops/peripherals/net_power.h"
#include "ops/peripherals/speaker_config.h"
#include "ops/peripherals/speaker_rules.h"
#include "ops/peripherals/tempera_binding.h"
#include "transport/form_codec.h"

namespace {

using namespace ostrand;

DeviceEndpoint Terminal() { return {"127.0.0.1", 60005}; }

void Speakers(bool placeMode) {
    DeviceEndpoint terminal = Terminal();
    if (const auto page = LoadSpeakerPage(terminal, placeMode)) {
        for (int speaker = 0; speaker <= kMaxSpeakerNumber + 1; speaker += 37) (void)RelatedClassText(page->rows, speaker);
        for (const SpeakerClassRow& row : page->rows) {
            (void)CheckSpeakerText(row.speakers);
            (void)SetClassSpeakers(terminal, placeMode, row.id, row.speakers);
        }
    }
    if (const auto volume = GetSpeakerVolume(terminal, 3)) SetSpeakerVolume(terminal, 3, volume->volume);
}

void Amplifiers() {
    DeviceEndpoint terminal = Terminal();
    NetPowerPage page = RefreshNetPower(terminal);
    (void)SearchAmplifiers(terminal, page.amplifiers);
    std::vector<std::string> ticked;
    for (const AmplifierRow& row : page.amplifiers.rows) {
        if (row.ticked || ticked.size() < 2) ticked.push_back(row.number);
    }
    (void)BindAmplifiers(terminal, ticked);
    for (const NetClassRow& row : page.classes) {
        ClassAmpBinding binding{row.classId, row.className, row.amplifier, row.channel, false};
        const std::string amplifier = page.amplifiers.boundAmplifiers.empty() ? row.amplifier
                                                                              : page.amplifiers.boundAmplifiers.front();
        (void)NetClassTypeFlag(row.amplifier, amplifier);
        (void)SetNetClassBinding(terminal, binding, amplifier, row.channel);
        (void)UnbindNetClass(terminal, row.classId);
    }
}

void Tempera() {
    DeviceEndpoint terminal = Terminal();
    const BoundTempera bound = GetBoundTempera(terminal);
    (void)BindTemperaDevice(terminal, bound.ip, "admin", "12345");
    DeviceEndpoint tempera = Terminal();
    (void)SetTemperaIp(tempera, bound.ip);
}

void TextRules(std::string_view text) {
    (void)CheckSpeakerText(text);
    (void)AmplifierTabAllowed(text);
    (void)TemperaPortFromCell(text);
    ParamMap reply;
    (void)DecodeFormBody(text, reply);
    for (const bool placeMode : {false, true}) {
        const SpeakerPage page = SpeakerPageFromReply(reply, placeMode);
        (void)RelatedClassText(page.rows, 1);
    }
    const AmplifierList list = AmplifierListFromReply(reply);
    if (list.boundAmplifiers.size() > list.rows.size()) std::abort();
    (void)NetClassRowsFromReply(reply);
    ClassAmpBinding binding;
    (void)ApplyNetClassResult(binding, std::string(text.substr(0, 8)), "1", "2");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = ostrand::fuzz::SplitInput(data, size);
    ostrand::fuzz::ScriptReplies(input.rest);
    switch (input.selector % 5) {
    case 0: Speakers(false); break;
    case 1: Speakers(true); break;
    case 2: Amplifiers(); break;
    case 3: Tempera(); break;
    default: TextRules(input.rest); break;
    }
    return 0;
}
