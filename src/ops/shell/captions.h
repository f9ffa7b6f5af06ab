#pragma once
// The main window's captions that follow the language switch.

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

}  // namespace ostrand
