#pragma once
// Process-wide values every part of the tool reads: the interface language, the
// connect wait of the TCP command channel and the version shown in the title.
// Written by the user-interface thread, read from any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrand {

enum class Language : std::uint8_t { English = 0, Chinese = 1 };

Language UiLanguage();
void SetUiLanguage(Language language);

// Picks the Chinese or the English text by the current UiLanguage.
const char* Tr(const char* chinese, const char* english);

std::int32_t ConnectTimeoutSeconds();
void SetConnectTimeoutSeconds(std::int32_t seconds);

// The program's own version "a.b.c.d" cut before its second "."; a text with
// fewer than two dots is returned whole.
std::string CutVersionText(std::string_view fileVersion);
// CutVersionText of the version the program was built with.
std::string AppVersionText();
// The full four-number version the program was built with.
std::string FileVersionText();

}  // namespace ostrand
