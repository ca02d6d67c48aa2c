#include "ImportedText.h"
#include "core/memory/HugePages.h"

#include "Gb18030.h"
#include "RegularFile.h"
#include "TextDecoding.h"
#include "WorkingFile.h"

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

QString decodeWhole(QStringDecoder::Encoding encoding, QByteArrayView bytes, int unitSize) {
    // Keep a later byte-order mark as the character it is.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::ConvertInitialBom);
    return decodeToEnd(decoder, bytes, unitSize);
}

// How many bytes at the end of bytes begin a UTF-8 sequence that the file ends before completing.
qsizetype incompleteUtf8Tail(QByteArrayView bytes) {
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: the lead is further back
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

bool hasNonAscii(QByteArrayView bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The text when bytes are valid UTF-8, else nullopt. A sequence cut off by the end of the file, after
// UTF-8 text that is not plain ASCII, counts as UTF-8 and comes out as U+FFFD; after plain ASCII it
// may as well be a complete GB18030 character, which is what it is then taken for.
std::optional<QString> decodeStrictUtf8(QByteArrayView bytes) {
    const qsizetype tail = incompleteUtf8Tail(bytes);
    bytes.chop(tail);
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    adviseHugePages(text.data(), std::size_t(text.size()) * sizeof(QChar));
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
    if (tail > 0) {
        if (!hasNonAscii(bytes))
            return std::nullopt;
        text.append(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace

QString decodeImported(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWhole(QStringDecoder::Utf8, bytes.sliced(3), 1);
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWhole(QStringDecoder::Utf16LE, bytes.sliced(2), 2);
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWhole(QStringDecoder::Utf16BE, bytes.sliced(2), 2);

    bytes = beforeFirstZero(bytes);
    if (bytes.isEmpty())
        return {};
    if (std::optional<QString> text = decodeStrictUtf8(bytes))
        return std::move(*text);
    return decodeGb18030(bytes);
}

std::optional<QString> readImportFile(const QString &path, QString *error) {
    FileBytes file = readRegularFile(path);
    if (file.status == FileReadStatus::Ok)
        return decodeImported(file.bytes);
    if (error)
        *error = file.status == FileReadStatus::Missing ? QStringLiteral("%1 does not exist").arg(path)
                                                        : file.error;
    return std::nullopt;
}

} // namespace rw
