#include "DesktopExportName.h"

namespace rw {

QString desktopExportFileName(const QString &typedName, const QDateTime &now) {
    QString name = typedName;
    if (name.isEmpty()) {
        const QDate date = now.date();
        const QTime time = now.time();
        name = QStringLiteral("%1年%2月%3日").arg(date.year()).arg(date.month()).arg(date.day());
        if (time.second() != 0)
            name += QStringLiteral("%1时%2分%3秒").arg(time.hour()).arg(time.minute()).arg(time.second());
        else if (time.minute() != 0)
            name += QStringLiteral("%1时%2分").arg(time.hour()).arg(time.minute());
        else if (time.hour() != 0)
            name += QStringLiteral("%1时").arg(time.hour());
    }
    return name + QStringLiteral(".txt");
}

} // namespace rw
