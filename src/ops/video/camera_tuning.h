#pragma once
// The camera's image and encoding parameters of one video channel: the values
// the preview panel shows, the reading sequence that fills them and one
// operation per control that writes a change back. Every command carries the
// channel's "channel" key. The preview dialog and `ostrand-cli camera` both
// drive a CameraTuning; neither builds a request itself.
//
// Each operation is one user action: all its commands end by one deadline
// (the form exchange's "FormTimeout"), and once a command got no answer the
// rest of the action is not sent. A camera that answers with an HTTP status
// has answered: the next command goes out. Replies keep only the keys the
// operation reads.

#include <array>
#include <string_view>
#include <vector>
#include <string>

#include "ops/video/camera_param_rules.h"
#include "ops/video/command_outcome.h"
#include "platform/app_state.h"

namespace ostrand::video {

enum class ColourControl { Lightness = 0, Contrast, Saturation, Hue, Sharpness };
inline constexpr int kColourControlCount = 5;
// The "setcolortype" of a colour control, also its reply key of "getvideocolparam".
const char* ColourKey(ColourControl control);

enum class AwbGain { Red = 0, Green = 1, Blue = 2 };

// What the panel shows. The defaults are the values before the first read.
struct CameraParams {
    Resolution resolution = Resolution::Vga;
    int videoMode = 0;  // entry of the video mode selector
    PowerFrequency frequency = PowerFrequency::Hz50;
    std::array<int, kColourControlCount> colour = {50, 50, 50, 50, 50};  // percent
    int exposure = 2500;
    bool manualExposure = false;
    std::array<int, 3> gains = {20, 20, 20};  // slider positions R, G, B
    int awbMode = 0;                          // entry of the white balance mode selector
    bool manualAwb = false;
    int day = 150;
    int night = 30;
    std::string bitRate;
    std::string frameRate;
    std::string keyFrame;
    std::string switchThreshold;  // hidden exposure switch threshold
    bool autoRate = true;
    bool audio = true;
};

// Which reading order: at opening the video parameters come first; after a
// restore of the defaults and on a channel change the colours come first.
enum class ReadOrder { Opening, Refresh };

// The edits' outcome: the range check, what was sent, and the message to show.
struct EditResult {
    EditCheck check;
    WriteResult write;
    std::string message;  // range message, "设置成功!" or the failure text (UTF-8)
};

class CameraTuning {
public:
    CameraTuning(CommandTarget& target, int channel);

    // When on, each failure is shown through the message sink as the form
    // channel's bool call shows it ("POST出错，错误码：%d", or the HTTP layer's
    // description for the command that got no answer). Off by default.
    void ShowFailures(bool on) { showFailures_ = on; }

    int Channel() const { return channel_; }
    void SetChannel(int channel) { channel_ = channel; }
    const CameraParams& Shown() const { return shown_; }

    // Every reading command; values the camera does not give keep or fall
    // back as each command's rule says. The result lists every command sent
    // (including the mode reset a camera with an unknown white balance mode gets).
    WriteResult ReadAll(ReadOrder order);
    // Only the day and night thresholds, which a change of either one is spaced against.
    WriteResult ReadThresholdValues();
    // Only the resolution, video mode and mains frequency; the video mode is
    // sent together with the resolution.
    WriteResult ReadVideoValues();

    WriteResult SetResolution(Resolution resolution);
    WriteResult SetVideoMode(int entry);
    WriteResult SetPowerFrequency(PowerFrequency frequency);
    WriteResult SetColour(ColourControl control, int percent);
    WriteResult SetExposure(int value);
    WriteResult SetManualExposure(bool manual);
    WriteResult SetGain(AwbGain gain, int position);
    WriteResult SetAwbMode(int entry);
    WriteResult SetManualAwb(bool manual);
    // The day or night threshold after the spacing rule against the other one.
    WriteResult SetDayThreshold(int day);
    WriteResult SetNightThreshold(int night);
    EditResult SetEdit(EditField field, std::string_view text, Language language);
    WriteResult SetAutoRate(bool on);
    WriteResult SetAudio(bool on);
    // Manual exposure off first, then the defaults command and the refresh reads.
    WriteResult RestoreDefaults();

private:
    class Action;
    // One command of the action under way; not sent once a command of the
    // same action got no answer or its deadline passed, so an unreachable
    // camera costs one wait, not twelve. `keep`: the reply keys used.
    const CommandOutcome& Send(WriteResult& out, const char* command, ParamMap request = {},
                               std::vector<std::string_view> keep = {});
    const CommandOutcome& Read(WriteResult& out, const char* command, std::vector<std::string_view> keep);

    void ReadEverything(WriteResult& out, ReadOrder order);
    void ReadVideoParam(WriteResult& out);
    void ReadColour(WriteResult& out);
    void ReadWhiteBalance(WriteResult& out);
    void ReadThresholds(WriteResult& out);
    void ReadEdit(WriteResult& out, const char* command, const char* key, const char* fallback,
                  std::string& into);
    void ReadSwitch(WriteResult& out, const char* command, const char* key, bool& into);
    void ReadRates(WriteResult& out);
    void SendGreenReset(WriteResult& out);

    CommandTarget& target_;
    int channel_;
    CameraParams shown_;
    bool showFailures_ = false;
    const ActionDeadline* deadline_ = nullptr;  // of the action under way
};

}  // namespace ostrand::video
