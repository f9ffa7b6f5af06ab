// ostrand-cli terminal get GROUP --ip IP --port PORT
// ostrand-cli terminal set GROUP --ip IP --port PORT KEY=VALUE ...
// The attendance terminal's settings groups, with the dialogs' checks and texts.

#include <array>

#include "cli/attendance_cli.h"
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

std::string Shown(const std::string& gbk) { return OutputText(gbk); }

std::string ChannelText(const std::vector<bool>& values) {
    std::string text;
    for (bool value : values) text += value ? "1," : "0,";
    return text;
}

// Four channel values of 0 or 1, written like the device's lists.
std::optional<std::array<bool, kTerminalChannels>> ChannelValues(const std::string& text) {
    const auto pieces = SplitFields(text, ',');
    if (pieces.size() != kTerminalChannels) return std::nullopt;
    std::array<bool, kTerminalChannels> values{};
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i] != "0" && pieces[i] != "1") return std::nullopt;
        values[i] = pieces[i] == "1";
    }
    return values;
}

int GetGroup(const std::string& group, const DeviceEndpoint& endpoint, const CliSettings& settings) {
    if (group == "door") {
        const DoorAlarmRead read = ReadDoorAlarm(endpoint);
        return PrintTerminalOutcome(settings, read.outcome,
                                    {{"alarm", read.values.alarmOn ? "on" : "off"},
                                     {"unlock", Shown(read.values.unlockTime)}});
    }
    if (group == "address") {
        const AddressOutcome read = GetGateAddress(endpoint);
        return PrintTerminalOutcome(settings, read.outcome, {{"current", Shown(read.address.value_or(""))}});
    }
    if (group == "gate") {
        const GateChannelsRead read = ReadGateChannels(endpoint);
        std::vector<bool> inout, sound;
        for (const GateChannel& channel : read.channels) {
            inout.push_back(channel.outbound);
            sound.push_back(channel.announce);
        }
        return PrintTerminalOutcome(settings, read.outcome,
                                    {{"inout", ChannelText(inout)}, {"sound", ChannelText(sound)}});
    }
    if (group == "face") {
        const FaceChannelsRead read = ReadFaceChannels(endpoint);
        return PrintTerminalOutcome(settings, read.outcome, {{"inout", ChannelText(read.outbound)}});
    }
    if (group == "mode") {
        const FaceModeRead read = ReadFaceMode(endpoint);
        const std::string mode = read.mode == 1 ? "1.0" : read.mode == 2 ? "2.0" : std::to_string(read.mode);
        return PrintTerminalOutcome(settings, read.outcome, {{"mode", mode}});
    }
    if (group == "speaker") {
        const SpeakerRepeatRead read = ReadSpeakerRepeat(endpoint);
        return PrintTerminalOutcome(settings, read.outcome,
                                    {{"repeat", read.entry < 0 ? "" : std::to_string(read.entry + 1)}});
    }
    if (group == "interval") {
        const FaceIntervalRead read = ReadFaceInterval(endpoint);
        return PrintTerminalOutcome(settings, read.outcome, {{"interval", Shown(read.interval)}});
    }
    if (group == "server") {
        const AttendServerRead read = ReadAttendServer(endpoint);
        return PrintTerminalOutcome(settings, read.outcome,
                                    {{"selfrun", read.values.selfRun ? "1" : "0"},
                                     {"ip", Shown(read.values.ip)},
                                     {"port", Shown(read.values.port)}});
    }
    const PhotoIpcServerRead read = ReadPhotoIpcServer(endpoint);
    return PrintTerminalOutcome(settings, read.outcome, {{"ip", Shown(read.ip)}});
}

int SetGroup(const std::string& group, const DeviceEndpoint& endpoint,
             const std::vector<std::string>& arguments, const CliSettings& settings) {
    const auto values = [&](std::set<std::string> allowed, std::set<std::string> required) {
        return GroupValues(arguments, allowed, required);
    };
    if (group == "door") {
        auto v = values({"alarm", "unlock"}, {"alarm", "unlock"});
        if (!v) return kRefusedExitStatus;
        const std::string alarm = v->at("alarm");
        if (alarm != "on" && alarm != "off") return PrintRefusal(settings, "alarm=on 或 alarm=off");
        return PrintTerminalOutcome(settings, WriteDoorAlarm(endpoint, {alarm == "on", v->at("unlock")}));
    }
    if (group == "address") {
        auto v = values({"current", "new"}, {"new"});
        if (!v) return kRefusedExitStatus;
        const AddressOutcome result = SetGateAddress(endpoint, (*v)["current"], v->at("new"));
        return PrintTerminalOutcome(settings, result.outcome, {{"current", Shown(result.address.value_or(""))}});
    }
    if (group == "led-off") {
        auto v = values({"current"}, {});
        if (!v) return kRefusedExitStatus;
        return PrintTerminalOutcome(settings, TurnOffGreenLed(endpoint, (*v)["current"]));
    }
    if (group == "direction") {
        auto v = values({"current", "dire"}, {"dire"});
        if (!v) return kRefusedExitStatus;
        return PrintTerminalOutcome(settings, SetGateDirection(endpoint, (*v)["current"], v->at("dire")));
    }
    if (group == "gate") {
        auto v = values({"inout", "sound"}, {"inout", "sound"});
        if (!v) return kRefusedExitStatus;
        const auto inout = ChannelValues(v->at("inout"));
        const auto sound = ChannelValues(v->at("sound"));
        if (!inout || !sound) return PrintRefusal(settings, "inout 和 sound 各需四个以逗号分隔的0或1");
        std::array<GateChannel, kTerminalChannels> channels;
        for (int i = 0; i < kTerminalChannels; ++i) channels[i] = {(*inout)[i], (*sound)[i]};
        return PrintTerminalOutcome(settings, WriteGateChannels(endpoint, channels));
    }
    if (group == "face") {
        auto v = values({"inout"}, {"inout"});
        if (!v) return kRefusedExitStatus;
        const auto inout = ChannelValues(v->at("inout"));
        if (!inout) return PrintRefusal(settings, "inout 需四个以逗号分隔的0或1");
        return PrintTerminalOutcome(settings, WriteFaceChannels(endpoint, *inout));
    }
    if (group == "mode") {
        auto v = values({"mode"}, {"mode"});
        if (!v) return kRefusedExitStatus;
        const std::string mode = v->at("mode");
        if (mode != "1.0" && mode != "2.0") return PrintRefusal(settings, "mode=1.0 或 mode=2.0");
        return PrintTerminalOutcome(settings, WriteFaceMode(endpoint, mode == "1.0"));
    }
    if (group == "speaker") {
        auto v = values({"repeat"}, {"repeat"});
        if (!v) return kRefusedExitStatus;
        const std::string repeat = v->at("repeat");
        if (repeat != "1" && repeat != "2" && repeat != "3") return PrintRefusal(settings, "请选择播报次数");
        return PrintTerminalOutcome(settings, WriteSpeakerRepeat(endpoint, repeat));
    }
    if (group == "interval") {
        auto v = values({"interval"}, {"interval"});
        if (!v) return kRefusedExitStatus;
        return PrintTerminalOutcome(settings, WriteFaceInterval(endpoint, v->at("interval")));
    }
    if (group == "server") {
        auto v = values({"selfrun", "ip", "port"}, {});
        if (!v) return kRefusedExitStatus;
        const bool selfRun = !v->contains("selfrun") || v->at("selfrun") != "0";
        return PrintTerminalOutcome(settings, WriteAttendServer(endpoint, {(*v)["ip"], (*v)["port"], selfRun}));
    }
    auto v = values({"ip"}, {});
    if (!v) return kRefusedExitStatus;
    return PrintTerminalOutcome(settings, WritePhotoIpcServer(endpoint, (*v)["ip"]));
}

}  // namespace

void AddTerminalCommand(CLI::App& app, CliAction& action) {
    struct Options {
        TargetOptions target;
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
    AddTargetOptions(*get, options->target);
    get->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return GetGroup(options->group, EndpointOf(options->target), settings);
        };
    });

    CLI::App* set = terminal->add_subcommand(
        "set",
        "change a settings group: door alarm=on|off unlock=N; address current=A new=N; led-off "
        "current=A; direction current=A dire=D; gate inout=a,b,c,d sound=a,b,c,d; face "
        "inout=a,b,c,d; mode mode=1.0|2.0; speaker repeat=1|2|3; interval interval=N; server "
        "ip=IP port=PORT (or selfrun=0); photo-server ip=IP");
    set->add_option("GROUP", options->group, "the group")->required()->check(CLI::IsMember(kSetGroups));
    AddTargetOptions(*set, options->target);
    set->add_option("KEY=VALUE", options->assignments, "the group's values");
    set->callback([options, &action] {
        action = [options](const CliSettings& settings) {
            return SetGroup(options->group, EndpointOf(options->target), options->assignments, settings);
        };
    });
}

}  // namespace ostrand::cli
