#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace rw {

// A file is big enough to show its first screen before the whole of it is read from this size on.
inline constexpr qint64 kFirstScreenAfter = 4 * 1024 * 1024;
// The bytes read for a first screen: many screens' worth, and read in a millisecond.
inline constexpr qint64 kFirstScreenBytes = 256 * 1024;

// The beginning of a big text file, to show while the whole of it is read: the whole lines of its first
// bytes, decoded by decode (a character cut by the end of the bytes read goes with the line it ends).
// Nothing for a file of at most kFirstScreenAfter bytes, one larger than limit (which the whole read
// refuses), anything but a regular file (a FIFO would block the open), or one that can't be opened.
std::optional<QString> firstScreen(const QString &path, QString (*decode)(QByteArrayView), qint64 limit);

} // namespace rw
