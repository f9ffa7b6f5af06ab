#pragma once
// The wireless speaker commands (5040) of a terminal, one "handtype" each.

#include <optional>
#include <string>

#include "ops/peripherals/speaker_rules.h"
#include "transport/command_code.h"
#include "transport/tcp_channel.h"

namespace ostrand {

inline constexpr CommandCode kSpeakerCode = 5040;

// handtype "6" with places, else "0". nullopt when the channel failed (its
// message box has been shown).
std::optional<SpeakerPage> LoadSpeakerPage(DeviceEndpoint& terminal, bool placeMode);

struct SpeakerVolume {
    int volume = 0;
    std::string text;
};
// handtype "3"; nullopt unless the terminal answered "10000".
std::optional<SpeakerVolume> GetSpeakerVolume(DeviceEndpoint& terminal, int speaker);
// handtypes "2", "4" and "5": the reply's keys are not read, but the
// exchange must have worked: false when the channel failed (its message box
// has been shown).
bool SetSpeakerVolume(DeviceEndpoint& terminal, int speaker, int volume);
bool SetRadioBand(DeviceEndpoint& terminal, int band);
bool SetSpeakerTest(DeviceEndpoint& terminal, int speaker, bool on);

struct ClassSpeakersOutcome {
    bool ok = false;
    std::string message;  // UTF-8, shown in a message box
    bool refused = false; // the text's checks refused it: nothing was sent
};
// Checks the text, then handtype "7" ("classroomid") with places or "1"
// ("classid"), "audiono" as typed.
ClassSpeakersOutcome SetClassSpeakers(DeviceEndpoint& terminal, bool placeMode, const std::string& id,
                                      const std::string& speakers);

}  // namespace ostrand
