#pragma once

namespace velkora::platform {

// Qt's own dialogs (the print preview and the printer choice, the file chooser) and buttons speak
// Italian through Qt's translations installed on the system (Debian's qt6-translations-l10n).
// Returns false when they are not installed: those dialogs then keep Qt's English texts.
bool installaTraduzioniQt();

} // namespace velkora::platform
