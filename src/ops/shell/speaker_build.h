#pragma once
// The speaker configuration reads the terminal's build number to choose its
// class page. The main window records it when the command starts; the values
// live for the whole run.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand {

struct SpeakerBuildInfo {
    std::string versionText;
    std::int32_t buildNumber = 0;
    bool newClassPage = false;  // build number greater than 236
};

// Stores the version text and, when it holds a ".", the decimal number after
// its last "." as the build number; the flag is computed from the build number
// in force (the previous one when the text has no ".").
void RecordSpeakerVersion(std::string_view versionText);
SpeakerBuildInfo CurrentSpeakerBuild();
void ResetSpeakerBuild();  // for tests

}  // namespace ostrand
