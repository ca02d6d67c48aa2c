#include "SettingsFile.h"

#include <QCheckBox>
#include <QDir>
#include <QSettings>

namespace rw {

namespace {
const QString kFileName = QStringLiteral("settings.ini");
} // namespace

bool loadFlag(const QString &dir, const QString &key, bool fallback) {
    const QSettings settings(QDir(dir).filePath(kFileName), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return fallback;
    const QString value = settings.value(key).toString().trimmed().toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("0"))
        return false;
    return fallback;
}

void saveFlag(const QString &dir, const QString &key, bool on) {
    QSettings settings(QDir(dir).filePath(kFileName), QSettings::IniFormat);
    settings.setValue(key, on);
    settings.sync();
}

void keepFlag(QCheckBox *box, const QString &dir, const QString &key, bool fallback) {
    box->setChecked(loadFlag(dir, key, fallback));
    QObject::connect(box, &QCheckBox::toggled, box, [dir, key](bool on) { saveFlag(dir, key, on); });
}

} // namespace rw
