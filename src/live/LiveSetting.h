#pragma once

#include <QString>

namespace rw {

// Whether the live highlight is on, as kept in "settings.ini" in dir; on when the file is missing or
// cannot be read.
bool loadLiveHighlight(const QString &dir);
// Keeps on in "settings.ini" in dir.
void saveLiveHighlight(const QString &dir, bool on);

} // namespace rw
