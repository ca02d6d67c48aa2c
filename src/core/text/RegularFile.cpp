#include "RegularFile.h"
#include "core/memory/HugePages.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace rw {

namespace {

// The few file calls below, with the path as the system takes it: wide on Windows, so that any
// character in a name works there too.
#ifdef _WIN32
using FileStatus = struct _stat64;
const wchar_t *systemPath(const QString &path) {
    return reinterpret_cast<const wchar_t *>(path.utf16());
}
int statPath(const QString &path, FileStatus *info) {
    return ::_wstat64(systemPath(path), info);
}
int fileStatus(int fd, FileStatus *info) {
    return ::_fstat64(fd, info);
}
int openForReading(const QString &path) {
    return ::_wopen(systemPath(path), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
qint64 readSome(int fd, char *into, qint64 length) {
    return ::_read(fd, into, unsigned(std::min(length, qint64(1) << 30)));
}
int closeFile(int fd) {
    return ::_close(fd);
}
#else
using FileStatus = struct stat;
int statPath(const QString &path, FileStatus *info) {
    return ::stat(QFile::encodeName(path).constData(), info);
}
int fileStatus(int fd, FileStatus *info) {
    return ::fstat(fd, info);
}
// Not blocking: should something other than the file just looked at stand there by now, opening it
// must not wait for a writer; the second look refuses it.
int openForReading(const QString &path) {
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
qint64 readSome(int fd, char *into, qint64 length) {
    return ::read(fd, into, std::size_t(length));
}
int closeFile(int fd) {
    return ::close(fd);
}
#endif

// Bytes asked of the system per read.
constexpr qint64 ReadStep = qint64(1) << 20;

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a file of this mode is not read, or an empty text for a regular file.
QString refusal(const QString &path, mode_t mode) {
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("%1 is a directory").arg(path);
    const char *kind = S_ISFIFO(mode) ? "a FIFO" : S_ISCHR(mode) ? "a character device" : "something else";
#ifdef S_ISSOCK
    if (S_ISSOCK(mode))
        kind = "a socket";
#endif
#ifdef S_ISBLK
    if (S_ISBLK(mode))
        kind = "a block device";
#endif
    return QStringLiteral("%1 is %2, not a regular file").arg(path, QLatin1String(kind));
}

QString tooLarge(const QString &path, qint64 size, qint64 limit) {
    return QStringLiteral("%1 is too large: %2 bytes (the limit is %3 bytes)").arg(path).arg(size).arg(limit);
}

FileBytes failed(const QString &error) {
    FileBytes result;
    result.status = FileReadStatus::Failed;
    result.error = error;
    return result;
}

} // namespace

FileBytes readRegularFile(const QString &path, qint64 limit) {
    FileStatus info{};
    if (statPath(path, &info) != 0) {
        if (errno == ENOENT) {
            FileBytes missing;
            missing.status = FileReadStatus::Missing;
            return missing;
        }
        return failed(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    }
    if (const QString refused = refusal(path, info.st_mode); !refused.isEmpty())
        return failed(refused);
    if (info.st_size > limit)
        return failed(tooLarge(path, info.st_size, limit));

    const int fd = openForReading(path);
    if (fd < 0)
        return failed(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    const auto fail = [fd](const QString &error) {
        closeFile(fd);
        return failed(error);
    };
    if (fileStatus(fd, &info) != 0)
        return fail(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    if (const QString refused = refusal(path, info.st_mode); !refused.isEmpty())
        return fail(refused);
    if (info.st_size > limit)
        return fail(tooLarge(path, info.st_size, limit));

    // The size is a hint only (a file may grow while it is read, some report 0): read what it says into
    // one buffer, then on to the end in steps, but never past the limit.
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    adviseHugePages(bytes.data(), std::size_t(bytes.size()));
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > limit)
                return fail(tooLarge(path, total, limit));
            bytes.resize(qsizetype(total + std::min(ReadStep, limit + 1 - total)));
        }
        const qint64 got = readSome(fd, bytes.data() + total, bytes.size() - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
        }
        if (got == 0)
            break;
        total += got;
    }
    closeFile(fd);
    bytes.resize(qsizetype(total));
    FileBytes result;
    result.bytes = std::move(bytes);
    return result;
}

QString nonRegularReason(const QString &path) {
    FileStatus info{};
    if (statPath(path, &info) != 0)
        return {};
    return refusal(path, info.st_mode);
}

} // namespace rw
