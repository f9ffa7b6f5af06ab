// ostrand-cli camera get --ip IP --port PORT [--channel N]
// ostrand-cli camera set --ip IP --port PORT [--channel N] NAME [VALUE]
// ostrand-cli camera status --ip IP --port PORT
// ostrand-cli camera snapshot --ip IP [--port VIDEOPORT] [--channel N] [--wait S] FILE.jpg
// The preview dialog's image and encoding parameters, read and written with
// the same operations and rules as the dialog; and one picture of a channel's
// live stream, saved as a JPEG file.

#include <algorithm>
#include <array>
#include <functional>
#include <iostream>
#include <map>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "ops/video/camera_tuning.h"
#include "ops/video/device_status.h"
#include "ops/video/mjpeg_reader.h"
#include "platform/code_page.h"
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

// The shown values as device text, for PrintOutcome.
ParamMap ShownValues(const CameraParams& shown, Language language) {
    static constexpr std::array<const char*, video::kColourControlCount> kColourNames = {
        "lightness", "contrast", "saturation", "hue", "sharpness"};
    ParamMap values;
    const auto put = [&](const char* key, const std::string& utf8) { values[key] = Utf8ToGbkLossy(utf8); };
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
    put("bit-rate", shown.bitRate);
    put("frame-rate", shown.frameRate);
    put("key-frame", shown.keyFrame);
    put("auto-rate", OnOff(shown.autoRate));
    put("audio", OnOff(shown.audio));
    put("switch-threshold", shown.switchThreshold);
    return values;
}

// "skipped", the transport result when it failed, else the camera's "result".
std::string OutcomeStatus(const video::CommandOutcome& outcome) {
    if (outcome.skipped) return "skipped";
    if (outcome.result != kTransportOk) return std::to_string(outcome.result);
    const auto it = outcome.reply.find("result");
    return it == outcome.reply.end() ? "10000" : OutputText(it->second);
}

// Every command the change sent: "COMMAND KEY=VALUE ... -> RESULT" lines, or
// one JSON object with the list.
int PrintSent(const CliSettings& settings, const WriteResult& write, const std::string& message) {
    const TransportResult result = write.FirstFailure();
    const std::string text =
        result != kTransportOk ? write.FailureText() : message.empty() ? TransportResultText(result) : message;
    if (settings.json) {
        nlohmann::ordered_json sent = nlohmann::ordered_json::array();
        for (const video::CommandOutcome& outcome : write.sent) {
            nlohmann::ordered_json request = nlohmann::ordered_json::object();
            for (const auto& [key, value] : outcome.request) request[OutputText(key)] = OutputText(value);
            nlohmann::ordered_json reply = nlohmann::ordered_json::object();
            for (const auto& [key, value] : outcome.reply) reply[OutputText(key)] = OutputText(value);
            sent.push_back({{"command", outcome.command}, {"request", std::move(request)},
                            {"result", outcome.result}, {"skipped", outcome.skipped}, {"reply", std::move(reply)}});
        }
        nlohmann::ordered_json document;
        document["result"] = result;
        document["text"] = text;
        document["sent"] = std::move(sent);
        std::cout << document.dump() << "\n";
    } else {
        for (const video::CommandOutcome& outcome : write.sent) {
            std::cout << outcome.command;
            for (const auto& [key, value] : outcome.request) {
                std::cout << " " << OutputText(key) << "=" << OutputText(value);
            }
            std::cout << " -> " << OutcomeStatus(outcome) << "\n";
        }
        if (!message.empty() && result == kTransportOk) std::cout << message << "\n";
    }
    std::cout.flush();
    if (result != kTransportOk && !settings.json) std::cerr << "ostrand-cli: " << text << "\n";
    return result;
}

// A change that depends on values the camera holds: the read, then (only when
// the read succeeded) the change.
WriteResult ReadThenSet(WriteResult read, const std::function<WriteResult()>& set) {
    if (!read.Succeeded()) return read;
    for (video::CommandOutcome& outcome : set().sent) read.sent.push_back(std::move(outcome));
    return read;
}

int BadValue(const std::string& name, const std::string& value, const char* accepted) {
    std::cerr << "ostrand-cli: camera set " << name << ": \"" << value << "\" is not " << accepted << "\n";
    return kTransportBadParameter;
}

struct SetOptions {
    TargetOptions target;
    int channel = 0;
    std::string name;
    std::string value;
};

// One changed control; returns the exit status.
int RunSet(const CliSettings& settings, const SetOptions& options) {
    CommandTarget target(options.target.ip, options.target.port);
    CameraTuning tuning(target, options.channel);
    const std::string& name = options.name;
    const std::string& value = options.value;
    const Language language = Language::Chinese;

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

    if (name == "defaults") return PrintSent(settings, tuning.RestoreDefaults(), {});
    if (value.empty()) return BadValue(name, value, "given (a value is needed)");

    if (auto it = kColours.find(name); it != kColours.end()) {
        const auto percent = IntegerValue(value, 0, 100);
        if (!percent) return BadValue(name, value, "a percentage 0..100");
        return PrintSent(settings, tuning.SetColour(it->second, *percent), {});
    }
    if (auto it = kGains.find(name); it != kGains.end()) {
        const auto position = IntegerValue(value, 0, 100);
        if (!position) return BadValue(name, value, "a gain position 0..100");
        return PrintSent(settings, tuning.SetGain(it->second, *position), {});
    }
    if (auto it = kEdits.find(name); it != kEdits.end()) {
        const video::EditResult edit = tuning.SetEdit(it->second, value, language);
        if (!edit.check.accepted) {
            std::cerr << "ostrand-cli: " << edit.message << "\n";
            return kTransportBadParameter;
        }
        return PrintSent(settings, edit.write, edit.message);
    }
    if (auto it = kSwitches.find(name); it != kSwitches.end()) {
        const auto on = SwitchValue(value);
        if (!on) return BadValue(name, value, "on or off");
        return PrintSent(settings, (tuning.*(it->second))(*on), {});
    }
    if (name == "resolution") {
        if (value == "VGA" || value == "4" || value == video::kResolutionTexts[0]) {
            return PrintSent(settings, tuning.SetResolution(video::Resolution::Vga), {});
        }
        if (value == "720P" || value == "12" || value == video::kResolutionTexts[1]) {
            return PrintSent(settings, tuning.SetResolution(video::Resolution::Hd720), {});
        }
        return BadValue(name, value, "VGA or 720P");
    }
    if (name == "video-mode") {
        const auto entry = video::VideoModeFromText(value);
        if (!entry) return BadValue(name, value, "a video mode (0..6 or its name)");
        // The mode goes out with the camera's resolution, so that is read first.
        const auto set = [&] { return tuning.SetVideoMode(*entry); };
        return PrintSent(settings, ReadThenSet(tuning.ReadVideoValues(), set), {});
    }
    if (name == "frequency") {
        const auto frequency = video::PowerFrequencyFromReply(value);
        if (!frequency) return BadValue(name, value, "50 or 60");
        return PrintSent(settings, tuning.SetPowerFrequency(*frequency), {});
    }
    if (name == "awb-mode") {
        const auto entry = video::AwbModeFromText(value);
        if (!entry) return BadValue(name, value, "a white balance mode (2..6 or its name)");
        return PrintSent(settings, tuning.SetAwbMode(*entry), {});
    }
    if (name == "exposure") {
        const auto exposure = IntegerValue(value, 100, 50000);
        if (!exposure) return BadValue(name, value, "an exposure 100..50000");
        return PrintSent(settings, tuning.SetExposure(*exposure), {});
    }
    if (name == "day" || name == "night") {
        const auto threshold = IntegerValue(value, 0, video::kThresholdMax);
        if (!threshold) return BadValue(name, value, "a threshold 0..500");
        // The other threshold decides the spacing, so the camera's pair is read first.
        return PrintSent(settings, ReadThenSet(tuning.ReadThresholdValues(), [&] {
                             return name == "day" ? tuning.SetDayThreshold(*threshold)
                                                  : tuning.SetNightThreshold(*threshold);
                         }), {});
    }
    std::cerr << "ostrand-cli: camera set: unknown NAME \"" << name << "\"\n";
    return kTransportBadParameter;
}

struct SnapshotOptions {
    std::string ip;
    int port = video::kVideoStreamPort;
    int channel = 0;
    double waitSeconds = 10;
    std::string file;
};

// The exit status of a stream failure, in the transport's terms.
int SnapshotStatus(video::MjpegFailure failure) {
    switch (failure) {
        case video::MjpegFailure::None: return kTransportOk;
        case video::MjpegFailure::ConnectFailed: return kTransportConnectFailed;
        case video::MjpegFailure::SendFailed: return kTransportSendFailed;
        case video::MjpegFailure::TimedOut:
        case video::MjpegFailure::Closed: return kTransportReceiveFailed;
        case video::MjpegFailure::HttpStatus: return kTransportFailed;
        default: return kTransportUndecodable;
    }
}

int RunSnapshot(const CliSettings& settings, const SnapshotOptions& options) {
    video::MjpegLimits limits;
    limits.overallWait = std::chrono::milliseconds(static_cast<long long>(options.waitSeconds * 1000));
    limits.connectWait = std::min(limits.connectWait, limits.overallWait);
    const video::MjpegFrame frame = video::ReadMjpegFrame(
        options.ip, static_cast<std::uint16_t>(options.port), video::VideoStreamPath(options.channel), limits);
    if (!frame.Ok()) return PrintOutcome(settings, SnapshotStatus(frame.failure), frame.text, {});
    // Written beside the target and renamed into place: a failure leaves no half picture.
    std::optional<OutputFile> out = OutputFile::Open(options.file);
    const bool saved = out && out->Write(frame.jpeg) && out->Commit();
    if (!saved) {
        return PrintOutcome(settings, kTransportFailed, "无法写入文件 " + options.file, {});
    }
    const ParamMap reply = {{"file", Utf8ToGbkLossy(options.file)}, {"bytes", std::to_string(frame.jpeg.size())}};
    return PrintOutcome(settings, kTransportOk, TransportResultText(kTransportOk), reply);
}

}  // namespace

void AddCameraCommand(CLI::App& app, CliAction& action) {
    CLI::App* camera = app.add_subcommand("camera", "a camera's image and encoding parameters of one channel");
    camera->require_subcommand(1);

    struct GetOptions {
        TargetOptions target;
        int channel = 0;
    };
    auto get = std::make_shared<GetOptions>();
    CLI::App* getCommand = camera->add_subcommand("get", "read every parameter as the preview dialog shows it");
    AddTargetOptions(*getCommand, get->target);
    getCommand->add_option("--channel", get->channel, "video channel (default 0)")->check(CLI::Range(0, 255));
    getCommand->callback([get, &action] {
        action = [get](const CliSettings& settings) {
            CommandTarget target(get->target.ip, get->target.port);
            CameraTuning tuning(target, get->channel);
            const WriteResult read = tuning.ReadAll(video::ReadOrder::Opening);
            const TransportResult result = read.FirstFailure();
            const std::string text = result == kTransportOk ? TransportResultText(result) : read.FailureText();
            // A camera that answered nothing has no values to show, only the failure.
            const bool answered = std::any_of(read.sent.begin(), read.sent.end(),
                                              [](const video::CommandOutcome& o) { return o.Succeeded(); });
            return PrintOutcome(settings, result, text,
                                answered ? ShownValues(tuning.Shown(), Language::Chinese) : ParamMap{});
        };
    });

    auto status = std::make_shared<TargetOptions>();
    CLI::App* statusCommand =
        camera->add_subcommand("status", "one status check: SD card, reset button, alarm inputs 1 and 2");
    AddTargetOptions(*statusCommand, *status);
    statusCommand->callback([status, &action] {
        action = [status](const CliSettings& settings) {
            CommandTarget target(status->ip, status->port);
            const video::StatusPoll poll = video::PollDeviceStatus(target, Language::Chinese);
            video::WriteResult write{{poll.outcome}};
            const TransportResult result = write.FirstFailure();
            const std::string text = result == kTransportOk ? TransportResultText(result) : write.FailureText();
            const ParamMap shown = {{"sd", Utf8ToGbkLossy(poll.texts.sdCard)},
                                    {"reset", Utf8ToGbkLossy(poll.texts.resetButton)},
                                    {"alarm1", Utf8ToGbkLossy(poll.texts.alarm1)},
                                    {"alarm2", Utf8ToGbkLossy(poll.texts.alarm2)}};
            return PrintOutcome(settings, result, text, shown);
        };
    });

    auto set = std::make_shared<SetOptions>();
    CLI::App* setCommand = camera->add_subcommand(
        "set",
        "change one parameter: resolution VGA|720P, video-mode 0..6|NAME, frequency 50|60, "
        "lightness|contrast|saturation|hue|sharpness 0..100, exposure 100..50000, manual-exposure on|off, "
        "awb-r|awb-g|awb-b 0..100, awb-mode 2..6|NAME, manual-awb on|off, day|night 0..500, "
        "bit-rate 1..2000, frame-rate 1..30, key-frame 30..128, auto-rate on|off, audio on|off, defaults");
    AddTargetOptions(*setCommand, set->target);
    setCommand->add_option("--channel", set->channel, "video channel (default 0)")->check(CLI::Range(0, 255));
    setCommand->add_option("NAME", set->name, "the parameter")->required();
    setCommand->add_option("VALUE", set->value, "its new value (none for defaults)");
    setCommand->callback([set, &action] {
        action = [set](const CliSettings& settings) { return RunSet(settings, *set); };
    });

    auto snapshot = std::make_shared<SnapshotOptions>();
    CLI::App* snapshotCommand = camera->add_subcommand(
        "snapshot", "save one picture of a channel's live stream (motion JPEG on the video port) as a JPEG file");
    snapshotCommand->add_option("--ip", snapshot->ip, "camera address (dotted IPv4)")
        ->required()
        ->check(CLI::ValidIPV4);
    snapshotCommand->add_option("--port", snapshot->port, "the camera's video port (default 9886)")
        ->check(CLI::Range(1, 65535));
    snapshotCommand->add_option("--channel", snapshot->channel, "video channel (default 0)")
        ->check(CLI::Range(0, 255));
    snapshotCommand->add_option("--wait", snapshot->waitSeconds, "seconds to wait for a whole picture (default 10)")
        ->check(CLI::Range(0.1, 600.0));
    snapshotCommand->add_option("FILE", snapshot->file, "the JPEG file to write")->required();
    snapshotCommand->callback([snapshot, &action] {
        action = [snapshot](const CliSettings& settings) { return RunSnapshot(settings, *snapshot); };
    });
}

}  // namespace ostrand::cli
