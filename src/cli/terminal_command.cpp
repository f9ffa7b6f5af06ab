// ostrand-cli terminal get GROUP DEVICES
// ostrand-cli terminal set GROUP DEVICES KEY=VALUE ...
// The attendance terminal's settings groups, with the dialogs' checks and
// texts. A set sends what the user named; where a group's page holds more
// (server), the page is read first, as the dialog does, and the rest is sent
// as read.

#include <array>

#include "cli/attendance_cli.h"
#include "cli/device_run.h"
#include "ops/attendance/list_fields.h"
#include "ops/attendance/server_settings.h"
#include "ops/attendance/terminal_params.h"

namespace ostrand::cli {

namespace {

const std::vector<std::string> kGetGroups = {"door",  "address", "gate",   "face",        "mode",
                                             "speaker", "interval", "server", "photo-server"};
const std::vector<std::string> kSetGroups = {"door",     "address", "led-off", "direction",
                                             "gate",     "face",    "mode",    "speaker",
                                             "interval", "server",  "photo-server"};

std::string ChannelText(const std::vector<bool>& values) {
    std::string text;
    for (bool value : values) text += value ? "1," : "0,";
    return text;
}

// Four channel values of 0 or 1, written like the device's lists.
std::array<bool, kTerminalChannels> ChannelValues(const std::string& text, const char* key) {
    const auto pieces = SplitFields(text, ',');
    std::array<bool, kTerminalChannels> values{};
    bool ok = pieces.size() == kTerminalChannels;
    for (std::size_t i = 0; ok && i < pieces.size(); ++i) {
        ok = pieces[i] == "0" || pieces[i] == "1";
        values[i] = pieces[i] == "1";
    }
    if (!ok) throw UsageError(std::string(key) + "= takes four 0 or 1 separated by commas, e.g. 1,0,0,1");
    return values;
}

std::string ValueOf(const ParamMap& values, const char* key) {
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

DeviceReport GetGroup(const std::string& group, const DeviceEndpoint& endpoint) {
    if (group == "door") {
        const DoorAlarmRead read = ReadDoorAlarm(endpoint);
        return ReadReport(read.outcome, read.unusable,
                          {{"alarm", read.values.alarmOn ? "on" : "off"}, {"unlock", OutputText(read.values.unlockTime)}});
    }
    if (group == "address") {
        const AddressOutcome read = GetGateAddress(endpoint);
        return ReportOf(read.outcome, {{"current", OutputText(read.address.value_or(""))}});
    }
    if (group == "gate") {
        const GateChannelsRead read = ReadGateChannels(endpoint);
        std::vector<bool> inout, sound;
        for (const GateChannel& channel : read.channels) {
            inout.push_back(channel.outbound);
            sound.push_back(channel.announce);
        }
        return ReportOf(read.outcome, {{"inout", ChannelText(inout)}, {"sound", ChannelText(sound)}});
    }
    if (group == "face") {
        const FaceChannelsRead read = ReadFaceChannels(endpoint);
        return ReportOf(read.outcome, {{"inout", ChannelText(read.outbound)}});
    }
    if (group == "mode") {
        const FaceModeRead read = ReadFaceMode(endpoint);
        const std::string mode = read.mode == 1 ? "1.0" : read.mode == 2 ? "2.0" : std::to_string(read.mode);
        return ReportOf(read.outcome, {{"mode", mode}});
    }
    if (group == "speaker") {
        const SpeakerRepeatRead read = ReadSpeakerRepeat(endpoint);
        return ReportOf(read.outcome, {{"repeat", read.entry < 0 ? "" : std::to_string(read.entry + 1)}});
    }
    if (group == "interval") {
        const FaceIntervalRead read = ReadFaceInterval(endpoint);
        return ReportOf(read.outcome, {{"interval", OutputText(read.interval)}});
    }
    if (group == "server") {
        const AttendServerRead read = ReadAttendServer(endpoint);
        return ReadReport(read.outcome, read.unusable,
                          {{"selfrun", read.values.selfRun ? "1" : "0"},
                           {"ip", OutputText(read.values.ip)},
                           {"port", OutputText(read.values.port)}});
    }
    const PhotoIpcServerRead read = ReadPhotoIpcServer(endpoint);
    return ReadReport(read.outcome, read.unusable, {{"ip", OutputText(read.ip)}});
}

// What `terminal set server` was told; absent keys keep the terminal's value.
struct ServerEdit {
    std::optional<bool> selfRun;
    std::optional<std::string> ip;    // GBK
    std::optional<std::string> port;  // GBK
};

DeviceReport SetServer(const DeviceEndpoint& endpoint, const ServerEdit& edit) {
    const AttendServerRead read = ReadAttendServer(endpoint);
    const char* unsent = "未发送：没有读到终端的考勤服务器，发送会改掉未给出的值";
    if (!read.outcome.Succeeded()) {
        DeviceReport report = ReportOf(read.outcome);
        report.Show(unsent);
        return report;
    }
    if (!read.unusable.empty()) {
        DeviceReport report = DeviceReport::Failure(kFailedExitStatus, read.unusable);
        report.Show(unsent);
        return report;
    }
    AttendServer values = read.values;
    if (edit.ip) values.ip = *edit.ip;
    if (edit.port) values.port = *edit.port;
    values.selfRun = edit.selfRun.value_or(edit.ip ? true : read.values.selfRun);
    if (edit.selfRun != false && (!values.selfRun || values.ip == kNoAttendServerIp)) {
        // Without an address of its own the page would send "0.0.0.0" and
        // drop the port the user gave.
        return ReportOf(TerminalOutcome::Refusal("终端没有自建考勤服务器（AttendIp 0.0.0.0），请给出 ip="));
    }
    return ReportOf(WriteAttendServer(endpoint, values));
}

// The job of `terminal set GROUP`; the arguments are checked here, before
// any device is reached.
DeviceJob SetJob(const std::string& group, const std::vector<std::string>& arguments) {
    const auto values = [&](std::set<std::string> allowed, std::set<std::string> required) {
        if (arguments.empty()) throw UsageError("terminal set " + group + " needs KEY=VALUE arguments");
        return Assignments(arguments, allowed, required);
    };
    if (group == "door") {
        const ParamMap v = values({"alarm", "unlock"}, {"alarm", "unlock"});
        const std::string alarm = ValueOf(v, "alarm");
        if (alarm != "on" && alarm != "off") throw UsageError("alarm= takes on or off");
        const DoorAlarm door{alarm == "on", ValueOf(v, "unlock")};
        return [door](const FleetTarget& device) { return ReportOf(WriteDoorAlarm(EndpointOf(device), door)); };
    }
    if (group == "address") {
        const ParamMap v = values({"current", "new"}, {"new"});
        return [current = ValueOf(v, "current"), next = ValueOf(v, "new")](const FleetTarget& device) {
            const AddressOutcome result = SetGateAddress(EndpointOf(device), current, next);
            return ReportOf(result.outcome, {{"current", OutputText(result.address.value_or(""))}});
        };
    }
    if (group == "led-off") {
        const ParamMap v = values({"current"}, {"current"});
        return [current = ValueOf(v, "current")](const FleetTarget& device) {
            return ReportOf(TurnOffGreenLed(EndpointOf(device), current));
        };
    }
    if (group == "direction") {
        const ParamMap v = values({"current", "dire"}, {"dire"});
        return [current = ValueOf(v, "current"), dire = ValueOf(v, "dire")](const FleetTarget& device) {
            return ReportOf(SetGateDirection(EndpointOf(device), current, dire));
        };
    }
    if (group == "gate") {
        const ParamMap v = values({"inout", "sound"}, {"inout", "sound"});
        const auto inout = ChannelValues(ValueOf(v, "inout"), "inout");
        const auto sound = ChannelValues(ValueOf(v, "sound"), "sound");
        std::array<GateChannel, kTerminalChannels> channels;
        for (int i = 0; i < kTerminalChannels; ++i) channels[i] = {inout[i], sound[i]};
        return [channels](const FleetTarget& device) {
            return ReportOf(WriteGateChannels(EndpointOf(device), channels));
        };
    }
    if (group == "face") {
        const ParamMap v = values({"inout"}, {"inout"});
        const auto inout = ChannelValues(ValueOf(v, "inout"), "inout");
        return [inout](const FleetTarget& device) { return ReportOf(WriteFaceChannels(EndpointOf(device), inout)); };
    }
    if (group == "mode") {
        const std::string mode = ValueOf(values({"mode"}, {"mode"}), "mode");
        if (mode != "1.0" && mode != "2.0") throw UsageError("mode= takes 1.0 or 2.0");
        return [mode10 = mode == "1.0"](const FleetTarget& device) {
            return ReportOf(WriteFaceMode(EndpointOf(device), mode10));
        };
    }
    if (group == "speaker") {
        const std::string repeat = ValueOf(values({"repeat"}, {"repeat"}), "repeat");
        if (repeat != "1" && repeat != "2" && repeat != "3") throw UsageError("repeat= takes 1, 2 or 3");
        return [repeat](const FleetTarget& device) {
            return ReportOf(WriteSpeakerRepeat(EndpointOf(device), repeat));
        };
    }
    if (group == "interval") {
        const std::string interval = ValueOf(values({"interval"}, {"interval"}), "interval");
        return [interval](const FleetTarget& device) {
            return ReportOf(WriteFaceInterval(EndpointOf(device), interval));
        };
    }
    if (group == "server") {
        const ParamMap v = values({"selfrun", "ip", "port"}, {});
        ServerEdit edit;
        if (v.contains("selfrun")) {
            const std::string selfRun = ValueOf(v, "selfrun");
            if (selfRun != "0" && selfRun != "1") throw UsageError("selfrun= takes 0 or 1");
            edit.selfRun = selfRun == "1";
        }
        if (v.contains("ip")) edit.ip = ValueOf(v, "ip");
        if (v.contains("port")) edit.port = ValueOf(v, "port");
        if (edit.selfRun == false && (edit.ip || edit.port)) {
            throw UsageError("selfrun=0 sends no server: give no ip= or port= with it");
        }
        return [edit](const FleetTarget& device) { return SetServer(EndpointOf(device), edit); };
    }
    const std::string ip = ValueOf(values({"ip"}, {"ip"}), "ip");
    return [ip](const FleetTarget& device) { return ReportOf(WritePhotoIpcServer(EndpointOf(device), ip)); };
}

}  // namespace

void AddTerminalCommand(CLI::App& app, CliAction& action) {
    struct Options {
        std::string group;
        std::vector<std::string> assignments;
    };
    auto options = std::make_shared<Options>();
    CLI::App* terminal = app.add_subcommand("terminal", "an attendance terminal's settings groups");
    terminal->require_subcommand(1);

    CLI::App* get = terminal->add_subcommand("get", "read a settings group");
    get->add_option("GROUP", options->group, "door, address, gate, face, mode, speaker, interval, server, photo-server")
        ->required()
        ->check(CLI::IsMember(kGetGroups));
    DeviceCommand(*get, action, ReadsDevice(), [options](const CliSettings&) -> DeviceJob {
        return [group = options->group](const FleetTarget& device) { return GetGroup(group, EndpointOf(device)); };
    });

    CLI::App* set = terminal->add_subcommand(
        "set",
        "change a settings group: door alarm=on|off unlock=N; address current=A new=N; led-off "
        "current=A; direction current=A dire=D; gate inout=a,b,c,d sound=a,b,c,d; face "
        "inout=a,b,c,d; mode mode=1.0|2.0; speaker repeat=1|2|3; interval interval=N; server "
        "[selfrun=0|1] [ip=IP] [port=PORT] (read first: what is not given keeps the terminal's value); "
        "photo-server ip=IP");
    set->add_option("GROUP", options->group, "the group")->required()->check(CLI::IsMember(kSetGroups));
    set->add_option("KEY=VALUE", options->assignments, "the group's values");
    DeviceCommand(*set, action, ChangesDevice(), [options](const CliSettings&) -> DeviceJob {
        return SetJob(options->group, options->assignments);
    });
}

}  // namespace ostrand::cli
