#pragma once

#include <QString>

class QCheckBox;

namespace rw {

// The program's few settings: yes/no values, each under its key in "settings.ini" in a directory (the
// working files' one).

// The value kept under key in dir's settings file; fallback when the file is missing or cannot be read, or
// holds anything but a clear yes or no there.
bool loadFlag(const QString &dir, const QString &key, bool fallback);
// Keeps on under key in dir's settings file.
void saveFlag(const QString &dir, const QString &key, bool on);
// Ticks box as the settings file in dir says under key (fallback when it does not) and keeps each change
// of it there from then on.
void keepFlag(QCheckBox *box, const QString &dir, const QString &key, bool fallback);

} // namespace rw
