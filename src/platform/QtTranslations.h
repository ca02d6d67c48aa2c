#pragma once

class QCoreApplication;

namespace rw {

// Installs Qt's own zh_CN translations into app, so standard buttons (是(Y)/否(N)), file dialogs and the
// command-line help speak the program's language whatever the system locale. False when they are not
// installed (Debian: qt6-translations-l10n); Qt's English texts then stay.
bool installQtTranslations(QCoreApplication &app);

} // namespace rw
