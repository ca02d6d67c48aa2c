#include "LiveSetting.h"

#include <QDir>
#include <QSettings>

namespace rw {

namespace {
const QString kFileName = QStringLiteral("settings.ini");
const QString kKey = QStringLiteral("live/highlight");
} // namespace

bool loadLiveHighlight(const QString &dir) {
    const QSettings settings(QDir(dir).filePath(kFileName), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return true;
    const QString value = settings.value(kKey).toString().trimmed().toLower();
    // Anything but a clear "off" keeps the default.
    return value != QLatin1String("false") && value != QLatin1String("0");
}

void saveLiveHighlight(const QString &dir, bool on) {
    QSettings settings(QDir(dir).filePath(kFileName), QSettings::IniFormat);
    settings.setValue(kKey, on);
    settings.sync();
}

} // namespace rw
