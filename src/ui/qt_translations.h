#pragma once
// Qt's own texts (message-box buttons, file dialogs, standard menus) in the
// interface language: the Chinese interface loads Qt's Chinese catalogue,
// the English one uses Qt's built-in English texts.

#include "platform/app_state.h"

namespace ostrand {

// Installs (Chinese) or removes (English) the process's Qt translator. Needs a
// QCoreApplication; calling it again with the same language changes nothing.
// False when the Chinese catalogue cannot be loaded (Qt then draws English).
bool ApplyQtTranslations(Language language);

}  // namespace ostrand
