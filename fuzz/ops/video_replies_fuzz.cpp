// The camera dialogs' reply handling over untrusted replies: the "sdcheck"
// status texts, every parameter reader of the preview panel (in both reading
// orders and after a restore of the defaults), the PTZ commands' outcomes,
// and the value readers the replies' texts pass.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/ops/fuzz_input.h"
#include "ops/video/camera_param_rules.h"
#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/ptz_control.h"
#include "platform/app_state.h"
#include "transport/form_codec.h"

namespace {

using namespace ostrand;
using namespace ostrand::video;

void CheckShown(const CameraParams& shown) {
    for (const int percent : shown.colour) {
        if (percent < 0 || percent > 100) std::abort();
    }
    for (const int position : shown.gains) {
        if (position < 0 || position > 100) std::abort();
    }
    if (shown.videoMode < 0 || shown.videoMode >= kVideoModeCount) std::abort();
    if (shown.awbMode < 0 || shown.awbMode >= kAwbModeCount) std::abort();
}

void Tuning(unsigned selector) {
    CommandTarget target("127.0.0.1", 80);
    CameraTuning tuning(target, static_cast<int>(selector % 4));
    switch (selector % 3) {
    case 0: (void)tuning.ReadAll(ReadOrder::Opening); break;
    case 1: (void)tuning.ReadAll(ReadOrder::Refresh); break;
    default: (void)tuning.RestoreDefaults(); break;
    }
    CheckShown(tuning.Shown());
    const WriteResult write = tuning.SetDayThreshold(tuning.Shown().day);
    (void)write.FailureText();
    (void)write.FirstFailure();
    (void)tuning.SetEdit(EditField::BitRate, tuning.Shown().bitRate, UiLanguage());
    (void)tuning.ReadThresholdValues();
    (void)tuning.ReadVideoValues();
    CheckShown(tuning.Shown());
}

void Status() {
    CommandTarget target("127.0.0.1", 80);
    StatusPollRule rule;
    for (int poll = 0; poll < 4 && rule.KeepPolling(); ++poll) {
        const StatusPoll result = PollDeviceStatus(target, poll % 2 == 0 ? Language::Chinese : Language::English);
        rule.Record(result.outcome.Succeeded());
    }
}

void Ptz() {
    CommandTarget target("127.0.0.1", 80);
    (void)SendPtzMove(target, PtzMove{}, 63);
    (void)SendPtzStop(target);
    (void)SendPreset(target, PresetAction{}, 1);
    (void)SendCruise(target, 1);
}

void ValueReaders(std::string_view text) {
    (void)LeadingInteger(text);
    const int percent = ColourPercent(text);
    const int position = GainPosition(text);
    if (percent < 0 || percent > 100 || position < 0 || position > 100) std::abort();
    (void)ResolutionFromVsize(text);
    (void)VideoModeFromReply(text);
    (void)VideoModeFromText(text);
    (void)PowerFrequencyFromReply(text);
    (void)AwbModeFromText(text);
    const AwbModeChoice awb = AwbModeFromReply(text);
    if (awb.entry < 0 || awb.entry >= kAwbModeCount) std::abort();
    (void)SwitchFromReply(text);
    for (const EditField field : {EditField::BitRate, EditField::FrameRate, EditField::KeyFrame}) {
        (void)CheckEdit(field, text, Language::Chinese);
    }
    (void)PtzMoveFromName(text);
    (void)PresetActionFromName(text);
    ParamMap reply;
    (void)DecodeFormBody(text, reply);
    for (const Language language : {Language::Chinese, Language::English}) (void)StatusTextsFromReply(reply, language);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = ostrand::fuzz::SplitInput(data, size);
    ostrand::fuzz::ScriptReplies(input.rest);
    SetUiLanguage((input.selector & 0x80) != 0 ? Language::English : Language::Chinese);
    switch ((input.selector & 0x7f) % 4) {
    case 0: Tuning(input.selector >> 2); break;
    case 1: Status(); break;
    case 2: Ptz(); break;
    default: ValueReaders(input.rest); break;
    }
    return 0;
}
