#include "ops/peripherals/speaker_rules.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "devices/device_list.h"
#include "ops/attendance/list_fields.h"
#include "ops/shell/speaker_build.h"
#include "platform/code_page.h"

namespace ostrand {
namespace {

std::string Entry(const ParamMap& map, const char* key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

std::string At(const std::vector<std::string>& list, std::size_t k) { return k < list.size() ? list[k] : std::string(); }

std::vector<std::string> List(const ParamMap& reply, const char* key, bool fromUtf8 = false) {
    auto text = Entry(reply, key);
    if (fromUtf8) text = Utf8ToAnsi(text).value_or(Utf8ToGbkLossy(text));
    return SplitFields(text, '&');
}

constexpr double kFirstAmplifierBuild = 226;
constexpr std::int32_t kLastOldClassPageBuild = 236;

// The decimal value of a digits-only piece, held at 256 once it passes 255 so
// long pieces cannot overflow.
int SpeakerNumber(std::string_view digits) {
    int value = 0;
    for (const char c : digits) value = std::min(value * 10 + (c - '0'), kMaxSpeakerNumber + 1);
    return value;
}

}  // namespace

bool PlaceMode() { return CurrentSpeakerBuild().newClassPage; }

bool PlaceModeOf(std::string_view versionText) {
    const auto dot = versionText.rfind('.');
    return dot != std::string_view::npos && CellInt(versionText.substr(dot + 1)) > kLastOldClassPageBuild;
}

SpeakerPage SpeakerPageFromReply(const ParamMap& reply, bool placeMode) {
    SpeakerPage page;
    const auto ids = List(reply, placeMode ? "classroomids" : "classids");
    const auto names = List(reply, placeMode ? "classroomnames" : "classnames", placeMode);
    const auto speakers = List(reply, "audionos");
    const auto classIds = placeMode ? List(reply, "classids") : std::vector<std::string>{};
    const auto classNames = placeMode ? List(reply, "classnames", true) : std::vector<std::string>{};
    for (std::size_t k = 0; k < ids.size(); ++k)
        page.rows.push_back({ids[k], At(names, k), At(speakers, k), At(classIds, k), At(classNames, k)});

    // "audiotests" is "<on>&<speaker>"; a single piece leaves speaker 0 chosen.
    if (const auto tests = Entry(reply, "audiotests"); !tests.empty()) {
        const auto pieces = SplitFields(tests, '&');
        page.testAvailable = true;
        page.testOn = AtoiValue(At(pieces, 0)) != 0;
        page.testSpeaker = AtoiValue(At(pieces, 1));
        if (page.testSpeaker < 0 || page.testSpeaker >= kTestSpeakerChoices) page.testSpeaker = 0;
    }
    page.volumeText = Entry(reply, "volume");
    page.volume = AtoiValue(page.volumeText);
    if (const auto band = Entry(reply, "audiofreqs"); !band.empty()) {
        page.radioBandAvailable = true;
        page.radioBand = AtoiValue(band);
    }
    return page;
}

std::optional<std::string> CheckSpeakerText(std::string_view text) {
    if (text.find_first_not_of("0123456789,") != std::string_view::npos) return "音箱号输入有误，请重新输入";
    // An empty text has no first speaker either.
    if (text.empty()) return "第1个音箱为空，请重新输入";
    if (text.back() == ',') return "音箱号格式输入有误，请重新输入";
    const auto pieces = SplitFields(text, ',');
    if (pieces.size() > static_cast<std::size_t>(kMaxSpeakersPerClass)) return "每个班级最大可配置8个音箱";
    for (std::size_t n = 0; n < pieces.size(); ++n) {
        const auto number = std::to_string(n + 1);
        if (pieces[n].empty()) return "第" + number + "个音箱为空，请重新输入";
        if (SpeakerNumber(pieces[n]) > kMaxSpeakerNumber)
            return "第" + number + "个音箱号超过255，请重新输入";
    }
    if (std::set<std::string>(pieces.begin(), pieces.end()).size() != pieces.size())
        return "出现音箱号重复，请重新输入";
    return std::nullopt;
}

std::string RelatedClassText(const std::vector<SpeakerClassRow>& rows, int speaker) {
    const auto wanted = std::to_string(speaker);
    std::string text;
    for (const auto& row : rows) {
        for (const auto& piece : SplitFields(row.speakers, ',')) {
            if (piece == wanted) text += row.name + "  ";
        }
    }
    return text;
}

bool AmplifierTabAllowed(std::string_view versionText) {
    const auto at = versionText.find("6.8.");
    if (at == std::string_view::npos || at == 0) return false;
    // Read as the visitor gate reads its numbers: not by the process locale,
    // whose decimal point the toolkit may have made a comma.
    return AtofValue(versionText.substr(at + 4)) > kFirstAmplifierBuild;
}

}  // namespace ostrand
