// ostrand-cli camera get DEVICES [--channel N]
// ostrand-cli camera set DEVICES [--channel N] NAME [VALUE]
// ostrand-cli camera status DEVICES
// ostrand-cli camera snapshot DEVICES [--video-port PORT] [--channel N] [--wait S] FILE.jpg
// The preview dialog's image and encoding parameters, read and written with
// the same operations and rules as the dialog; and one picture of a channel's
// live stream, saved as a JPEG file.

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/commands.h"
#include "cli/device_files.h"
#include "cli/device_run.h"
#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/mjpeg_reader.h"
#include "transport/output_file.h"

namespace ostrand::cli {

namespace {

using video::CameraParams;
using video::CameraTuning;
using video::WriteResult;

const char* OnOff(bool on) { return on ? "on" : "off"; }

std::optional<bool> SwitchValue(const std::string& text) {
    if (text == "on" || text == "1") return true;
    if (text == "off" || text == "0") return false;
    return std::nullopt;
}

std::optional<int> IntegerValue(const std::string& text, int low, int high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 6) {
        return std::nullopt;
    }
    const int value = std::stoi(text);
    if (value < low || value > high) return std::nullopt;
    return value;
}

// The shown values (UTF-8) in the dialog's order.
Fields ShownValues(const CameraParams& shown, Language language) {
    static constexpr std::array<const char*, video::kColourControlCount> kColourNames = {
        "lightness", "contrast", "saturation", "hue", "sharpness"};
    Fields values;
    const auto put = [&](const char* key, std::string utf8) { values.emplace_back(key, std::move(utf8)); };
    put("resolution", video::kResolutionTexts[static_cast<std::size_t>(shown.resolution)]);
    put("video-mode", video::VideoModeText(shown.videoMode, language));
    put("frequency", video::PowerFrequencyCode(shown.frequency));
    for (std::size_t i = 0; i < kColourNames.size(); ++i) put(kColourNames[i], std::to_string(shown.colour[i]));
    put("exposure", std::to_string(shown.exposure));
    put("manual-exposure", OnOff(shown.manualExposure));
    put("awb-r", std::to_string(shown.gains[0]));
    put("awb-g", std::to_string(shown.gains[1]));
    put("awb-b", std::to_string(shown.gains[2]));
    put("awb-mode", video::AwbModeText(shown.awbMode, language));
    put("manual-awb", OnOff(shown.manualAwb));
    put("day", std::to_string(shown.day));
    put("night", std::to_string(shown.night));
    // The edits hold the camera's texts.
    put("bit-rate", OutputText(shown.bitRate));
    put("frame-rate", OutputText(shown.frameRate));
    put("key-frame", OutputText(shown.keyFrame));
    put("auto-rate", OnOff(shown.autoRate));
    put("audio", OnOff(shown.audio));
    put("switch-threshold", OutputText(shown.switchThreshold));
    return values;
}

// "skipped", the transport result when it failed, else the camera's "result".
std::string OutcomeStatus(const video::CommandOutcome& outcome) {
    if (outcome.skipped) return "skipped";
    if (outcome.result != kTransportOk) return std::to_string(outcome.result);
    const auto it = outcome.reply.find("result");
    return it == outcome.reply.end() ? "10000" : OutputText(it->second);
}

// What a change sent: one row per command (its name, its request, and
// "skipped", the transport's result or the camera's "result").
const std::vector<std::string> kSentColumns = {"command", "request", "result"};

// The report of the commands of one action: the first failure decides the
// status, its text (the transport's, or the camera's "errmsg") is the summary.
// `decides` (default: every command) are the commands whose failure fails the action.
DeviceReport WriteReport(const WriteResult& write, const WriteResult* decides = nullptr) {
    DeviceReport report;
    const WriteResult& status = decides != nullptr ? *decides : write;
    const TransportResult result = status.FirstFailure();
    report.status = StatusOfTransport(result);
    if (result != kTransportOk) report.text = status.FailureText();
    for (const video::CommandOutcome& outcome : write.sent) {
        std::string request;
        for (const auto& [key, value] : outcome.request) {
            if (!request.empty()) request += ' ';
            request += OutputText(key) + "=" + OutputText(value);
        }
        report.rows.push_back({outcome.command, std::move(request), OutcomeStatus(outcome)});
    }
    return report;
}

// A change that depends on a value the camera holds: the read, then (only
// when the read that gives the value succeeded) the change. Another read of
// the same action that failed (an older camera answering 404) neither holds
// the change back nor fails it; its row says what it got.
DeviceReport ReadThenSet(WriteResult read, const char* needed, const std::function<WriteResult()>& set) {
    WriteResult decides;
    for (const video::CommandOutcome& outcome : read.sent) {
        if (outcome.command == needed) decides.sent.push_back(outcome);
    }
    if (!decides.Succeeded()) return WriteReport(read, &decides);
    for (video::CommandOutcome& outcome : set().sent) {
        decides.sent.push_back(outcome);
        read.sent.push_back(std::move(outcome));
    }
    return WriteReport(read, &decides);
}

[[noreturn]] void BadValue(const std::string& name, const std::string& value, const char* accepted) {
    throw UsageError("camera set " + name + ": \"" + value + "\" is not " + accepted);
}

// One changed control of one camera.
using Change = std::function<DeviceReport(CameraTuning&)>;

Change Writes(std::function<WriteResult(CameraTuning&)> write) {
    return [write = std::move(write)](CameraTuning& tuning) { return WriteReport(write(tuning)); };
}

// The change NAME VALUE asks for; throws UsageError for an unknown NAME or a
// VALUE the control cannot take. The edits' range checks are the dialog's and
// refuse per device (exit status 9).
Change ParseChange(const std::string& name, const std::string& value) {
    static const std::map<std::string, video::ColourControl> kColours = {
        {"lightness", video::ColourControl::Lightness}, {"contrast", video::ColourControl::Contrast},
        {"saturation", video::ColourControl::Saturation}, {"hue", video::ColourControl::Hue},
        {"sharpness", video::ColourControl::Sharpness}};
    static const std::map<std::string, video::AwbGain> kGains = {
        {"awb-r", video::AwbGain::Red}, {"awb-g", video::AwbGain::Green}, {"awb-b", video::AwbGain::Blue}};
    static const std::map<std::string, video::EditField> kEdits = {
        {"bit-rate", video::EditField::BitRate}, {"frame-rate", video::EditField::FrameRate},
        {"key-frame", video::EditField::KeyFrame}};
    using SwitchSetter = WriteResult (CameraTuning::*)(bool);
    static const std::map<std::string, SwitchSetter> kSwitches = {
        {"manual-exposure", &CameraTuning::SetManualExposure}, {"manual-awb", &CameraTuning::SetManualAwb},
        {"auto-rate", &CameraTuning::SetAutoRate}, {"audio", &CameraTuning::SetAudio}};

    if (name == "defaults") return Writes([](CameraTuning& tuning) { return tuning.RestoreDefaults(); });
    if (value.empty()) BadValue(name, value, "given (a value is needed)");

    if (auto it = kColours.find(name); it != kColours.end()) {
        const auto percent = IntegerValue(value, 0, 100);
        if (!percent) BadValue(name, value, "a percentage 0..100");
        return Writes([control = it->second, percent = *percent](CameraTuning& tuning) {
            return tuning.SetColour(control, percent);
        });
    }
    if (auto it = kGains.find(name); it != kGains.end()) {
        const auto position = IntegerValue(value, 0, 100);
        if (!position) BadValue(name, value, "a gain position 0..100");
        return Writes([gain = it->second, position = *position](CameraTuning& tuning) {
            return tuning.SetGain(gain, position);
        });
    }
    if (auto it = kEdits.find(name); it != kEdits.end()) {
        return [field = it->second, value](CameraTuning& tuning) {
            const video::EditResult edit = tuning.SetEdit(field, value, UiLanguage());
            if (!edit.check.accepted) return DeviceReport::Failure(kBadValueExitStatus, edit.message);
            DeviceReport report = WriteReport(edit.write);
            report.Show(edit.message);
            return report;
        };
    }
    if (auto it = kSwitches.find(name); it != kSwitches.end()) {
        const auto on = SwitchValue(value);
        if (!on) BadValue(name, value, "on or off");
        return Writes([setter = it->second, on = *on](CameraTuning& tuning) { return (tuning.*setter)(on); });
    }
    if (name == "resolution") {
        std::optional<video::Resolution> resolution;
        if (value == "VGA" || value == "4" || value == video::kResolutionTexts[0]) resolution = video::Resolution::Vga;
        if (value == "720P" || value == "12" || value == video::kResolutionTexts[1]) {
            resolution = video::Resolution::Hd720;
        }
        if (!resolution) BadValue(name, value, "VGA or 720P");
        return Writes([resolution = *resolution](CameraTuning& tuning) { return tuning.SetResolution(resolution); });
    }
    if (name == "video-mode") {
        const auto entry = video::VideoModeFromText(value);
        if (!entry) BadValue(name, value, "a video mode (0..6 or its name)");
        // The mode goes out with the camera's resolution, so that is read first.
        return [entry = *entry](CameraTuning& tuning) {
            return ReadThenSet(tuning.ReadVideoValues(), "getvideoparam", [&] { return tuning.SetVideoMode(entry); });
        };
    }
    if (name == "frequency") {
        const auto frequency = video::PowerFrequencyFromReply(value);
        if (!frequency) BadValue(name, value, "50 or 60");
        return Writes([frequency = *frequency](CameraTuning& tuning) { return tuning.SetPowerFrequency(frequency); });
    }
    if (name == "awb-mode") {
        const auto entry = video::AwbModeFromText(value);
        if (!entry) BadValue(name, value, "a white balance mode (2..6 or its name)");
        return Writes([entry = *entry](CameraTuning& tuning) { return tuning.SetAwbMode(entry); });
    }
    if (name == "exposure") {
        const auto exposure = IntegerValue(value, 100, 50000);
        if (!exposure) BadValue(name, value, "an exposure 100..50000");
        return Writes([exposure = *exposure](CameraTuning& tuning) { return tuning.SetExposure(exposure); });
    }
    if (name == "day" || name == "night") {
        const auto threshold = IntegerValue(value, 0, video::kThresholdMax);
        if (!threshold) BadValue(name, value, "a threshold 0..500");
        // The other threshold decides the spacing, so the camera's pair is read first.
        return [day = name == "day", threshold = *threshold](CameraTuning& tuning) {
            return ReadThenSet(tuning.ReadThresholdValues(), "getNDsen", [&] {
                return day ? tuning.SetDayThreshold(threshold) : tuning.SetNightThreshold(threshold);
            });
        };
    }
    throw UsageError("camera set: unknown NAME \"" + name + "\"");
}

struct SnapshotOptions {
    int videoPort = video::kVideoStreamPort;
    int channel = 0;
    double waitSeconds = 10;
    std::string file;
};

// The exit status of a stream failure, in the transport's terms.
int SnapshotStatus(video::MjpegFailure failure) {
    switch (failure) {
        case video::MjpegFailure::None: return kTransportOk;
        case video::MjpegFailure::ConnectFailed:
        case video::MjpegFailure::NotResolved: return kTransportConnectFailed;
        case video::MjpegFailure::SendFailed: return kTransportSendFailed;
        case video::MjpegFailure::TimedOut:
        case video::MjpegFailure::Closed: return kTransportReceiveFailed;
        case video::MjpegFailure::HttpStatus:
        case video::MjpegFailure::LoginNeeded:
        case video::MjpegFailure::BadCredentials: return kTransportFailed;
        default: return kTransportUndecodable;
    }
}

// One picture of the channel, written whole to `file`.
DeviceReport Snapshot(const SnapshotOptions& options, const FleetTarget& device, const std::filesystem::path& file) {
    video::MjpegLimits limits;
    limits.overallWait = std::chrono::milliseconds(static_cast<long long>(options.waitSeconds * 1000));
    limits.connectWait = std::min(limits.connectWait, limits.overallWait);
    const video::MjpegFrame frame = video::ReadMjpegFrame(
        device.ip, static_cast<std::uint16_t>(options.videoPort), video::VideoStreamPath(options.channel), limits,
        video::ConfiguredStreamCredentials());
    if (!frame.Ok()) return DeviceReport::Failure(SnapshotStatus(frame.failure), frame.text);
    // Written beside the target and renamed into place: a failure leaves no half picture.
    std::optional<OutputFile> out = OutputFile::Open(file);
    const bool saved = out && out->Write(frame.jpeg) && out->Commit();
    if (!saved) return DeviceReport::Failure(kFailedExitStatus, "无法写入文件 " + file.string());
    DeviceReport report;
    report.values = {{"file", file.string()}, {"bytes", std::to_string(frame.jpeg.size())}};
    return report;
}

}  // namespace

void AddCameraCommand(CLI::App& app, CliAction& action) {
    CLI::App* camera = app.add_subcommand("camera", "cameras' image and encoding parameters of one channel");
    camera->require_subcommand(1);

    auto getChannel = std::make_shared<int>(0);
    CLI::App* getCommand = camera->add_subcommand("get", "read every parameter as the preview dialog shows it");
    getCommand->add_option("--channel", *getChannel, "video channel (default 0)")->check(CLI::Range(0, 255));
    DeviceCommand(*getCommand, action, ReadsDevice(), [getChannel](const CliSettings&) -> DeviceJob {
        return [channel = *getChannel](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            CameraTuning tuning(target, channel);
            const WriteResult read = tuning.ReadAll(video::ReadOrder::Opening);
            DeviceReport report;
            const TransportResult result = read.FirstFailure();
            report.status = StatusOfTransport(result);
            if (result != kTransportOk) report.text = read.FailureText();
            // A camera that answered nothing has no values to show, only the failure.
            const bool answered = std::any_of(read.sent.begin(), read.sent.end(),
                                              [](const video::CommandOutcome& o) { return o.Succeeded(); });
            if (answered) report.values = ShownValues(tuning.Shown(), UiLanguage());
            return report;
        };
    });

    CLI::App* statusCommand =
        camera->add_subcommand("status", "one status check: SD card, reset button, alarm inputs 1 and 2");
    DeviceCommand(*statusCommand, action, ReadsDevice(), [](const CliSettings&) -> DeviceJob {
        return [](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            const video::StatusPoll poll = video::PollDeviceStatus(target, UiLanguage());
            // A refusal in the reply's "result" fails the command here (the
            // preview's poll goes on with it: only a failed call fails a poll).
            DeviceReport report = WriteReport(video::WriteResult{{poll.outcome}});
            report.rows.clear();
            if (report.Succeeded()) {
                report.values = {{"sd", poll.texts.sdCard},
                                 {"reset", poll.texts.resetButton},
                                 {"alarm1", poll.texts.alarm1},
                                 {"alarm2", poll.texts.alarm2}};
            }
            return report;
        };
    });

    struct SetOptions {
        int channel = 0;
        std::string name;
        std::string value;
    };
    auto set = std::make_shared<SetOptions>();
    CLI::App* setCommand = camera->add_subcommand(
        "set",
        "change one parameter: resolution VGA|720P, video-mode 0..6|NAME, frequency 50|60, "
        "lightness|contrast|saturation|hue|sharpness 0..100, exposure 100..50000, manual-exposure on|off, "
        "awb-r|awb-g|awb-b 0..100, awb-mode 2..6|NAME, manual-awb on|off, day|night 0..500, "
        "bit-rate 1..2000, frame-rate 1..30, key-frame 30..128, auto-rate on|off, audio on|off, defaults; "
        "prints one row per command sent");
    setCommand->add_option("--channel", set->channel, "video channel (default 0)")->check(CLI::Range(0, 255));
    setCommand->add_option("NAME", set->name, "the parameter")->required();
    setCommand->add_option("VALUE", set->value, "its new value (none for defaults)");
    DeviceCommand(*setCommand, action, ListsRows(kSentColumns, true), [set](const CliSettings&) -> DeviceJob {
        Change change = ParseChange(set->name, set->value);
        return [change = std::move(change), channel = set->channel](const FleetTarget& device) {
            CommandTarget target(device.ip, device.port);
            CameraTuning tuning(target, channel);
            return change(tuning);
        };
    });

    auto snapshot = std::make_shared<SnapshotOptions>();
    CLI::App* snapshotCommand = camera->add_subcommand(
        "snapshot", "save one picture of a channel's live stream (motion JPEG on the video port) as a JPEG file; "
                    "several devices: one file each, \"_<ip>_<port>\" before the extension");
    snapshotCommand->add_option("--video-port", snapshot->videoPort, "the cameras' video port (default 9886)")
        ->check(CLI::Range(1, 65535));
    snapshotCommand->add_option("--channel", snapshot->channel, "video channel (default 0)")
        ->check(CLI::Range(0, 255));
    snapshotCommand->add_option("--wait", snapshot->waitSeconds, "seconds to wait for a whole picture (default 10)")
        ->check(CLI::Range(0.1, 600.0));
    snapshotCommand->add_option("FILE", snapshot->file, "the JPEG file to write")->required();
    // The file name depends on the form: one device or several.
    DeviceCommand(*snapshotCommand, action, ReadsDevice(),
                  [snapshot](const CliSettings&, const DeviceSelection& devices) -> DeviceJob {
                      return [snapshot, fleet = devices.fleet](const FleetTarget& device) {
                          const std::filesystem::path file(snapshot->file);
                          return Snapshot(*snapshot, device, fleet ? FileOfDevice(file, device) : file);
                      };
                  });
}

}  // namespace ostrand::cli
