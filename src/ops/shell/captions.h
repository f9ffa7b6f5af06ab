#pragma once
// The main window's captions that follow the language switch.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/app_state.h"

namespace ostrand {

struct SwitchedCaption {
    int controlId;
    const char* chinese;
    const char* english;
};

// The controls the language switch re-labels; all others keep their captions.
const std::vector<SwitchedCaption>& LanguageSwitchCaptions();

// The language the selector's text chooses: "English" gives English, any
// other text Chinese.
Language LanguageForSelectorText(std::string_view text);

// The language a setting or a command-line value names: "zh" or "en" (any
// case; "chinese" and "english" too); nullopt for anything else.
std::optional<Language> LanguageForSettingText(std::string_view text);
// The value that names `language` in the settings file.
const char* LanguageSettingText(Language language);

// The settings key (section "common") of the interface language.
inline constexpr const char* kLanguageKey = "Language";

}  // namespace ostrand
