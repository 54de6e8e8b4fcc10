#pragma once

class QCoreApplication;

namespace morvi::shell {

// Loads Qt's own German texts (file dialogs, message box buttons), so that the
// toolkit's dialogs speak German whatever the system's language. Returns false
// when the translation is not installed; the dialogs then stay in English.
bool loadGermanQtTranslation(QCoreApplication &app);

} // namespace morvi::shell
