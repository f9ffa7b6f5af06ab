#pragma once
// The wireless speaker page's rules: which class page a terminal gets, the
// rows its list replies make, the speaker-number text a class may carry, the
// names bound to one speaker and the firmware gate of the amplifier tab.
// Device texts are GBK; messages are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/param_map.h"

namespace ostrand {

inline constexpr int kMaxSpeakersPerClass = 8;
inline constexpr int kMaxSpeakerNumber = 255;
inline constexpr int kSpeakerChoices = 255;      // "0".."254"
inline constexpr int kTestSpeakerChoices = 256;  // "0".."255"
inline constexpr int kMaxVolume = 10;
inline constexpr int kMaxRadioBand = 15;

// True when the terminal's build (recorded when the dialog opens) lists places
// with their classes rather than classes alone.
bool PlaceMode();
// The same for one terminal's version text, whatever was recorded: the
// decimal number after its last "." above 236 (no "." gives classes). The
// command line works on many terminals at once, each with its own version.
bool PlaceModeOf(std::string_view versionText);

// One row of the class (or place) list. `classId`/`className` are the place
// page's extra columns.
struct SpeakerClassRow {
    std::string id;
    std::string name;
    std::string speakers;  // column 3: numbers joined by ","
    std::string classId;
    std::string className;
};

// Everything the page shows after its list request.
struct SpeakerPage {
    std::vector<SpeakerClassRow> rows;
    bool testAvailable = false;  // "audiotests" non-empty
    bool testOn = false;
    int testSpeaker = 0;
    int volume = 0;
    std::string volumeText;
    bool radioBandAvailable = false;  // "audiofreqs" non-empty
    int radioBand = 0;
};

// The page from a list reply (handtype "0", or "6" with places). Lists shorter
// than the first give empty cells; the place page's names arrive in UTF-8.
SpeakerPage SpeakerPageFromReply(const ParamMap& reply, bool placeMode);

// The checks of a speaker-number text before it is sent; nullopt when it
// passes, else the message to show.
std::optional<std::string> CheckSpeakerText(std::string_view text);

// The names of every row holding `speaker` in its numbers, each followed by two
// spaces.
std::string RelatedClassText(const std::vector<SpeakerClassRow>& rows, int speaker);

// The amplifier tab needs a version text holding "6.8." after its first
// character with a number above 226 after it.
bool AmplifierTabAllowed(std::string_view versionText);

}  // namespace ostrand
