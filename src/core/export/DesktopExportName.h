#pragma once

#include <QDateTime>
#include <QString>

namespace rw {

// File name of a desktop export: typedName, or when it is empty the date and time of now as
// "2026年12月8日20时5分" (trailing zero parts left out); ".txt" is always appended.
QString desktopExportFileName(const QString &typedName, const QDateTime &now);

} // namespace rw
