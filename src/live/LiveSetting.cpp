#include "LiveSetting.h"

#include "platform/SettingsFile.h"

namespace rw {

namespace {
const QString kKey = QStringLiteral("live/highlight");
} // namespace

bool loadLiveHighlight(const QString &dir) {
    // Anything but a clear "off" keeps the default.
    return loadFlag(dir, kKey, true);
}

void saveLiveHighlight(const QString &dir, bool on) {
    saveFlag(dir, kKey, on);
}

} // namespace rw
