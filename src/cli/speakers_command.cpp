// ostrand-cli speakers list|set|volume|band|test DEVICES: the wireless
// speaker page of the speaker configuration without its window.
//
// A terminal's version chooses between classes and places (a build above 236
// lists places). It is a value of each device: --version when given, else the
// version column of the device's scan row; nothing is recorded process-wide,
// so terminals of different builds can be worked on at once.

#include "cli/commands.h"
#include "cli/device_run.h"
#include "ops/peripherals/speaker_config.h"

namespace ostrand::cli {
namespace {

// The columns of `speakers list`; the place page's class columns stay empty
// for a terminal that lists classes.
const std::vector<std::string> kSpeakerColumns = {"id", "name", "speakers", "classId", "className"};

struct SpeakerOptions {
    std::string version;  // empty: the scan row's version
};

void AddVersionOption(CLI::App& command, SpeakerOptions& options) {
    command.add_option("--version", options.version,
                       "the terminals' version text (a build above 236 lists places); default: each device's "
                       "scan row, else classes");
}

bool PlacesFor(const SpeakerOptions& options, const FleetTarget& device) {
    return PlaceModeOf(options.version.empty() ? device.version : options.version);
}

// A call whose channel failed: the channel's messages (put first by the
// runner) say why, and its noted result becomes the status.
DeviceReport ChannelFailed() {
    DeviceReport report;
    report.status = kFailedExitStatus;
    return report;
}

// A setting sent without reading its reply: the channel must still have delivered it.
DeviceReport SettingSent(bool delivered, std::string key, std::string value) {
    if (!delivered) return ChannelFailed();
    DeviceReport report;
    report.values.emplace_back(std::move(key), std::move(value));
    return report;
}

DeviceReport PageReport(const SpeakerPage& page, bool places) {
    DeviceReport report;
    report.values.emplace_back("places", places ? "1" : "0");
    report.AddDeviceValue("volume", page.volumeText);
    if (page.testAvailable) {
        report.values.emplace_back("test", page.testOn ? "on" : "off");
        report.values.emplace_back("test-speaker", std::to_string(page.testSpeaker));
    }
    if (page.radioBandAvailable) report.values.emplace_back("band", std::to_string(page.radioBand));
    for (const SpeakerClassRow& row : page.rows) {
        report.rows.push_back({OutputText(row.id), OutputText(row.name), OutputText(row.speakers),
                               OutputText(row.classId), OutputText(row.className)});
    }
    return report;
}

}  // namespace

void AddSpeakersCommand(CLI::App& app, CliAction& action) {
    CLI::App* speakers = app.add_subcommand("speakers", "wireless speakers of terminals (5040)");
    speakers->require_subcommand(1);

    auto list = std::make_shared<SpeakerOptions>();
    CLI::App* listCommand = speakers->add_subcommand("list", "classes (or places) with their speaker numbers");
    AddVersionOption(*listCommand, *list);
    DeviceCommand(*listCommand, action, ListsRows(kSpeakerColumns), [list](const CliSettings&) -> DeviceJob {
        return [list](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            const bool places = PlacesFor(*list, device);
            const auto page = LoadSpeakerPage(terminal, places);
            if (!page) return ChannelFailed();
            return PageReport(*page, places);
        };
    });

    struct SetOptions {
        SpeakerOptions speaker;
        std::string id, numbers;
    };
    auto set = std::make_shared<SetOptions>();
    CLI::App* setCommand = speakers->add_subcommand("set", "the speaker numbers of a class or place, e.g. 1,2,3");
    AddVersionOption(*setCommand, set->speaker);
    setCommand->add_option("--id", set->id, "class (or place) id")->required();
    setCommand->add_option("--numbers", set->numbers, "speaker numbers joined by \",\"")->required();
    DeviceCommand(*setCommand, action, ChangesDevice(), [set](const CliSettings&) -> DeviceJob {
        const std::string id = GbkArgument(set->id, "class id");
        const std::string numbers = GbkArgument(set->numbers, "speaker numbers");
        return [set, id, numbers](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            const auto outcome = SetClassSpeakers(terminal, PlacesFor(set->speaker, device), id, numbers);
            if (outcome.refused) return DeviceReport::Failure(kBadValueExitStatus, outcome.message);
            if (!outcome.ok) return DeviceReport::Failure(kFailedExitStatus, outcome.message);
            DeviceReport report;
            report.Show(outcome.message);
            report.AddDeviceValue("audiono", numbers);
            return report;
        };
    });

    struct VolumeOptions {
        SpeakerOptions speaker;
        int speakerNumber = 0;
        std::optional<int> volume;
    };
    auto volume = std::make_shared<VolumeOptions>();
    CLI::App* volumeCommand = speakers->add_subcommand("volume", "read (or with --set change) a speaker's volume");
    AddVersionOption(*volumeCommand, volume->speaker);
    volumeCommand->add_option("--speaker", volume->speakerNumber, "speaker number")
        ->required()
        ->check(CLI::Range(0, kSpeakerChoices - 1));
    volumeCommand->add_option("--set", volume->volume, "new volume")->check(CLI::Range(0, kMaxVolume));
    // Only with --set is it a change (the fleet form's upgrade check comes first).
    auto devices = std::make_shared<DeviceOptions>();
    AddDeviceOptions(*volumeCommand, *devices);
    volumeCommand->callback([volume, devices, volumeCommand, &action] {
        auto selection = std::make_shared<DeviceSelection>(SelectDevices(*volumeCommand, *devices));
        action = [volume, selection](const CliSettings& settings) {
            const CommandShape shape = volume->volume ? ChangesDevice() : ReadsDevice();
            return RunDevices(settings, *selection, shape, [volume](const FleetTarget& device) {
                DeviceEndpoint terminal = EndpointOf(device);
                if (volume->volume && !SetSpeakerVolume(terminal, volume->speakerNumber, *volume->volume)) {
                    return ChannelFailed();
                }
                const auto read = GetSpeakerVolume(terminal, volume->speakerNumber);
                if (!read) return DeviceReport::Failure(kFailedExitStatus, "获取失败");
                DeviceReport report;
                report.AddDeviceValue("volume", read->text);
                return report;
            });
        };
    });

    struct BandOptions {
        SpeakerOptions speaker;
        int band = 0;
    };
    auto band = std::make_shared<BandOptions>();
    CLI::App* bandCommand = speakers->add_subcommand("band", "set the transmitter module's radio band");
    AddVersionOption(*bandCommand, band->speaker);
    bandCommand->add_option("--set", band->band, "radio band")->required()->check(CLI::Range(0, kMaxRadioBand));
    DeviceCommand(*bandCommand, action, ChangesDevice(), [band](const CliSettings&) -> DeviceJob {
        return [band](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            return SettingSent(SetRadioBand(terminal, band->band), "audiofreq", std::to_string(band->band));
        };
    });

    struct TestOptions {
        SpeakerOptions speaker;
        int speakerNumber = 0;
        bool off = false;
    };
    auto test = std::make_shared<TestOptions>();
    CLI::App* testCommand = speakers->add_subcommand("test", "start (or with --off stop) a speaker test");
    AddVersionOption(*testCommand, test->speaker);
    testCommand->add_option("--speaker", test->speakerNumber, "test speaker number")
        ->required()
        ->check(CLI::Range(0, kTestSpeakerChoices - 1));
    testCommand->add_flag("--off", test->off, "stop the test");
    DeviceCommand(*testCommand, action, ChangesDevice(), [test](const CliSettings&) -> DeviceJob {
        return [test](const FleetTarget& device) {
            DeviceEndpoint terminal = EndpointOf(device);
            return SettingSent(SetSpeakerTest(terminal, test->speakerNumber, !test->off), "audiotestsw",
                               test->off ? "0" : "1");
        };
    });
}

}  // namespace ostrand::cli
