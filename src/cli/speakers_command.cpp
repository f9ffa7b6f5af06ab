// ostrand-cli speakers list|set|volume|band|test: the wireless speaker page
// of the speaker configuration without its window.

#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <iostream>

#include "ops/peripherals/speaker_config.h"
#include "ops/shell/speaker_build.h"

namespace ostrand::cli {
namespace {

struct SpeakerTarget {
    TargetOptions target;
    std::string version;  // the list's version column: chooses classes or places
};

void AddSpeakerTarget(CLI::App& command, SpeakerTarget& target) {
    AddTargetOptions(command, target.target);
    command.add_option("--version", target.version,
                       "the terminal's version text (a build of 237 or more lists places); default: classes");
}

DeviceEndpoint Endpoint(const SpeakerTarget& target) {
    RecordSpeakerVersion(target.version);
    return {target.target.ip, static_cast<std::uint16_t>(target.target.port)};
}

int PrintPage(const SpeakerPage& page, bool places, const CliSettings& settings) {
    if (settings.json) {
        auto rows = nlohmann::ordered_json::array();
        for (const auto& row : page.rows) {
            nlohmann::ordered_json object{{"id", OutputText(row.id)},
                                          {"name", OutputText(row.name)},
                                          {"speakers", OutputText(row.speakers)}};
            if (places) {
                object["classId"] = OutputText(row.classId);
                object["className"] = OutputText(row.className);
            }
            rows.push_back(std::move(object));
        }
        nlohmann::ordered_json document{{"places", places},     {"rows", rows},
                                        {"volume", page.volume}, {"testAvailable", page.testAvailable},
                                        {"testOn", page.testOn}, {"testSpeaker", page.testSpeaker}};
        document["radioBand"] = page.radioBandAvailable ? nlohmann::ordered_json(page.radioBand) : nullptr;
        std::cout << document.dump(2) << "\n";
    } else {
        for (std::size_t k = 0; k < page.rows.size(); ++k) {
            const auto& row = page.rows[k];
            std::cout << k + 1 << "\t" << OutputText(row.id) << "\t" << OutputText(row.name) << "\t"
                      << OutputText(row.speakers);
            if (places) std::cout << "\t" << OutputText(row.classId) << "\t" << OutputText(row.className);
            std::cout << "\n";
        }
    }
    std::cout.flush();
    return 0;
}

}  // namespace

void AddSpeakersCommand(CLI::App& app, CliAction& action) {
    CLI::App* speakers = app.add_subcommand("speakers", "wireless speakers of a terminal (5040)");
    speakers->require_subcommand(1);

    auto list = std::make_shared<SpeakerTarget>();
    CLI::App* listCommand = speakers->add_subcommand("list", "classes (or places) with their speaker numbers");
    AddSpeakerTarget(*listCommand, *list);
    listCommand->callback([list, &action] {
        action = [list](const CliSettings& settings) {
            auto terminal = Endpoint(*list);
            const bool places = PlaceMode();
            const auto page = LoadSpeakerPage(terminal, places);
            if (!page) return kFailedExitStatus;
            return PrintPage(*page, places, settings);
        };
    });

    struct SetOptions {
        SpeakerTarget target;
        std::string id, numbers;
    };
    auto set = std::make_shared<SetOptions>();
    CLI::App* setCommand = speakers->add_subcommand("set", "the speaker numbers of a class or place, e.g. 1,2,3");
    AddSpeakerTarget(*setCommand, set->target);
    setCommand->add_option("--id", set->id, "class (or place) id")->required();
    setCommand->add_option("--numbers", set->numbers, "speaker numbers joined by \",\"")->required();
    setCommand->callback([set, &action] {
        action = [set](const CliSettings& settings) {
            auto terminal = Endpoint(set->target);
            const auto outcome = SetClassSpeakers(terminal, PlaceMode(), set->id, set->numbers);
            return PrintOutcome(settings, outcome.ok ? 0 : kFailedExitStatus, outcome.message,
                                outcome.ok ? ParamMap{{"audiono", set->numbers}} : ParamMap{});
        };
    });

    struct VolumeOptions {
        SpeakerTarget target;
        int speaker = 0;
        std::optional<int> volume;
    };
    auto volume = std::make_shared<VolumeOptions>();
    CLI::App* volumeCommand = speakers->add_subcommand("volume", "read (or with --set change) a speaker's volume");
    AddSpeakerTarget(*volumeCommand, volume->target);
    volumeCommand->add_option("--speaker", volume->speaker, "speaker number")->required()->check(CLI::Range(0, 254));
    volumeCommand->add_option("--set", volume->volume, "new volume")->check(CLI::Range(0, kMaxVolume));
    volumeCommand->callback([volume, &action] {
        action = [volume](const CliSettings& settings) {
            auto terminal = Endpoint(volume->target);
            if (volume->volume) SetSpeakerVolume(terminal, volume->speaker, *volume->volume);
            const auto read = GetSpeakerVolume(terminal, volume->speaker);
            if (!read) return PrintOutcome(settings, kFailedExitStatus, "获取失败", {});
            return PrintOutcome(settings, 0, {}, {{"volume", read->text}});
        };
    });

    struct BandOptions {
        SpeakerTarget target;
        int band = 0;
    };
    auto band = std::make_shared<BandOptions>();
    CLI::App* bandCommand = speakers->add_subcommand("band", "set the transmitter module's radio band");
    AddSpeakerTarget(*bandCommand, band->target);
    bandCommand->add_option("--set", band->band, "radio band")->required()->check(CLI::Range(0, kMaxRadioBand));
    bandCommand->callback([band, &action] {
        action = [band](const CliSettings& settings) {
            auto terminal = Endpoint(band->target);
            SetRadioBand(terminal, band->band);
            return PrintOutcome(settings, 0, {}, {{"audiofreq", std::to_string(band->band)}});
        };
    });

    struct TestOptions {
        SpeakerTarget target;
        int speaker = 0;
        bool off = false;
    };
    auto test = std::make_shared<TestOptions>();
    CLI::App* testCommand = speakers->add_subcommand("test", "start (or with --off stop) a speaker test");
    AddSpeakerTarget(*testCommand, test->target);
    testCommand->add_option("--speaker", test->speaker, "test speaker number")->required()->check(CLI::Range(0, 255));
    testCommand->add_flag("--off", test->off, "stop the test");
    testCommand->callback([test, &action] {
        action = [test](const CliSettings& settings) {
            auto terminal = Endpoint(test->target);
            SetSpeakerTest(terminal, test->speaker, !test->off);
            return PrintOutcome(settings, 0, {}, {{"audiotestsw", test->off ? "0" : "1"}});
        };
    });
}

}  // namespace ostrand::cli
