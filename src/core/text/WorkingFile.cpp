#include "WorkingFile.h"

#include "Gb18030.h"
#include "LineBreaksDetail.h"

#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <functional>

namespace rw {

namespace {

// Characters encoded per step of a write: large enough that the per-step cost vanishes, small enough that
// a 50 MB text never needs a second full copy in memory.
constexpr qsizetype WriteChunk = qsizetype(1) << 18;

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

// A write that takes only part of the bytes has met a limit it does not name (a full disk, a size
// limit); the next write meets it again and fails with the system's reason.
bool writeAll(QIODevice &device, const char *data, qint64 length, QString *error) {
    while (length > 0) {
        const qint64 written = device.write(data, length);
        if (written <= 0) {
            setError(error, device.errorString());
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

} // namespace

QByteArrayView beforeFirstZero(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return bytes;
    const void *zero = std::memchr(bytes.data(), 0, std::size_t(bytes.size()));
    return zero ? bytes.first(static_cast<const char *>(zero) - bytes.data()) : bytes;
}

QString decodeWorkingBytes(QByteArrayView bytes) {
    bytes = beforeFirstZero(bytes);
    if (bytes.isEmpty())
        return {};
    return decodeGb18030(bytes);
}

WorkingFileRead readWorkingFile(const QString &path) {
    FileBytes file = readRegularFile(path);
    WorkingFileRead result;
    result.status = file.status;
    result.error = std::move(file.error);
    if (file.status == FileReadStatus::Ok)
        result.text = decodeWorkingBytes(file.bytes);
    return result;
}

bool writeWorkingText(QIODevice &device, QStringView text, QString *error) {
    QString lines;
    QByteArray bytes;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = std::min(text.size(), pos + WriteChunk);
        // Keep a surrogate pair and a "\r\n" within one step.
        while (end < text.size() && (text[end - 1].isHighSurrogate() || text[end - 1] == u'\r'))
            ++end;
        const QStringView piece = text.sliced(pos, end - pos);
        lines.resize(2 * piece.size());
        const QChar *linesEnd = detail::writeCrLf(piece, lines.data());
        const QStringView converted(lines.constData(), linesEnd - lines.constData());
        bytes.resize(gb18030MaxBytes(converted.size()));
        const char *bytesEnd = encodeGb18030(converted, bytes.data());
        const qint64 length = bytesEnd - bytes.constData();
        if (!writeAll(device, bytes.constData(), length, error))
            return false;
        pos = end;
    }
    return true;
}

namespace {

// Replaces the file at path atomically with what write puts into the device.
bool saveAtomically(const QString &path, const std::function<bool(QIODevice &, QString *)> &write,
                    QString *error) {
    if (const QString refused = nonRegularReason(path); !refused.isEmpty()) {
        setError(error, refused);
        return false;
    }
    QSaveFile file(path);
    // Unbuffered, so that a failing write fails here with its reason, not later inside commit().
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setError(error, file.errorString());
        return false;
    }
    if (!write(file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool writeWorkingFile(const QString &path, QStringView text, QString *error) {
    return saveAtomically(
        path, [text](QIODevice &device, QString *why) { return writeWorkingText(device, text, why); }, error);
}

bool writeWholeFile(const QString &path, QByteArrayView bytes, QString *error) {
    return saveAtomically(
        path,
        [bytes](QIODevice &device, QString *why) {
            if (device.write(bytes.data(), bytes.size()) == bytes.size())
                return true;
            setError(why, device.errorString());
            return false;
        },
        error);
}

} // namespace rw
