#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace rw {

class Dialogs;

// What the commands take from the platform, gathered so tests can give their own.
struct AppContext {
    Dialogs &dialogs;
    // Where the working files live: the executable's directory, or the user's data directory when that
    // is not writable (see chooseWorkingDirectory).
    QString programDir;
    // The user's desktop (exports and the import dialog start there).
    QString desktopDir;
    // The local date and time.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};

} // namespace rw
