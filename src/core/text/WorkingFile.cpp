#include "WorkingFile.h"

#include "LineBreaksDetail.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace rw {

namespace {

constexpr const char *WorkingEncoding = "GB18030";

// Characters encoded per step of a write: large enough that the per-step cost vanishes, small enough that
// a 50 MB text never needs a second full copy in memory.
constexpr qsizetype WriteChunk = qsizetype(1) << 18;

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
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
    QStringDecoder decoder(WorkingEncoding);
    QString text = decoder.decode(bytes);
    // The decoder sizes its output for the worst case; give the surplus back.
    text.squeeze();
    return text;
}

WorkingFileRead readWorkingFile(const QString &path) {
    WorkingFileRead result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = FileReadStatus::Missing;
        return result;
    }
    if (info.isDir()) {
        result.status = FileReadStatus::Failed;
        result.error = QStringLiteral("%1 is a directory").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FileReadStatus::Failed;
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.status = FileReadStatus::Failed;
        result.error = file.errorString();
        return result;
    }
    result.text = decodeWorkingBytes(bytes);
    return result;
}

bool writeWorkingText(QIODevice &device, QStringView text, QString *error) {
    QStringEncoder encoder(WorkingEncoding);
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
        bytes.resize(encoder.requiredSpace(converted.size()));
        const char *bytesEnd = encoder.appendToBuffer(bytes.data(), converted);
        const qint64 length = bytesEnd - bytes.constData();
        if (device.write(bytes.constData(), length) != length) {
            setError(error, device.errorString());
            return false;
        }
        pos = end;
    }
    return true;
}

bool writeWorkingFile(const QString &path, QStringView text, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    if (!writeWorkingText(file, text, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

} // namespace rw
