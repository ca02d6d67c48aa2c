#include "RegularFile.h"
#include "core/memory/HugePages.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rw {

namespace {

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
    const char *kind = S_ISFIFO(mode)   ? "a FIFO"
                       : S_ISSOCK(mode) ? "a socket"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                                        : "something else";
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
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
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

    // Not blocking: should something other than the file just looked at stand there by now, opening it
    // must not wait for a writer; the second look below refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
    const auto fail = [fd](const QString &error) {
        ::close(fd);
        return failed(error);
    };
    if (::fstat(fd, &info) != 0)
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
        const ssize_t got = ::read(fd, bytes.data() + total, std::size_t(bytes.size() - total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(QStringLiteral("%1: %2").arg(path, systemReason(errno)));
        }
        if (got == 0)
            break;
        total += got;
    }
    ::close(fd);
    bytes.resize(qsizetype(total));
    FileBytes result;
    result.bytes = std::move(bytes);
    return result;
}

QString nonRegularReason(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return refusal(path, info.st_mode);
}

} // namespace rw
