#include "ImportedText.h"

#include "WorkingFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace rw {

namespace {

// Bytes validated per step, so that a file in another encoding is given up at its first foreign character
// rather than after a full pass.
constexpr qsizetype Utf8Chunk = qsizetype(1) << 20;

bool isUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

QString decodeWhole(QStringDecoder::Encoding encoding, QByteArrayView bytes) {
    // Keep a later byte-order mark as the character it is.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// The text when bytes are valid UTF-8, else nullopt.
std::optional<QString> decodeStrictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = std::min(bytes.size(), pos + Utf8Chunk);
        // Cut between characters, so that each step decodes on its own.
        for (int back = 0; back < 3 && end < bytes.size() && end > pos + 1 && isUtf8Continuation(bytes[end]);
             ++back)
            --end;
        out = decoder.appendToBuffer(out, bytes.sliced(pos, end - pos));
        if (decoder.hasError())
            return std::nullopt;
        pos = end;
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace

QString decodeImported(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWhole(QStringDecoder::Utf8, bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWhole(QStringDecoder::Utf16LE, bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWhole(QStringDecoder::Utf16BE, bytes.sliced(2));

    bytes = beforeFirstZero(bytes);
    if (bytes.isEmpty())
        return {};
    if (std::optional<QString> text = decodeStrictUtf8(bytes))
        return std::move(*text);
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(bytes);
    text.squeeze();
    return text;
}

std::optional<QString> readImportFile(const QString &path, QString *error) {
    const auto fail = [error](const QString &reason) -> std::optional<QString> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("%1 does not exist").arg(path));
    if (info.isDir())
        return fail(QStringLiteral("%1 is a directory").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    return decodeImported(bytes);
}

} // namespace rw
