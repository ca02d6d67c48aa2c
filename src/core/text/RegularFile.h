#pragma once

#include <QByteArray>
#include <QString>

namespace rw {

// The most a text file may hold to be read: a text of this size already takes twice as much again in
// memory once decoded, and anything larger is no text a person edits in a box. Larger files are refused
// by their size, without reading a byte.
inline constexpr qint64 kMaxTextFileBytes = qint64(1) << 30; // 1 GiB

enum class FileReadStatus {
    Ok,      // the file was read
    Missing, // there is no file at the path
    Failed   // the file exists but was not read; the reason says why
};

struct FileBytes {
    QByteArray bytes;
    FileReadStatus status = FileReadStatus::Ok;
    QString error; // names the path and the reason when status is Failed
};

// Reads the whole file at path when it is a regular file (a symbolic link to one is fine) of at most
// limit bytes. Anything else (a directory, FIFO, socket or device) is refused from its status alone,
// before it is opened, so a FIFO never blocks and a device never streams without end.
FileBytes readRegularFile(const QString &path, qint64 limit = kMaxTextFileBytes);

// Why path must not be written over: something other than a regular file stands there (following
// symbolic links). Empty when it is a regular file or when nothing is there.
QString nonRegularReason(const QString &path);

} // namespace rw
