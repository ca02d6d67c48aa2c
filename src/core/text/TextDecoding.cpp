#include "TextDecoding.h"

namespace rw {

QString decodeToEnd(QStringDecoder &decoder, QByteArrayView bytes, int unitSize) {
    const bool oddTail = unitSize == 2 && bytes.size() % 2 != 0;
    if (oddTail)
        bytes.chop(1);
    QString text = decoder.decode(bytes);
    if (oddTail) {
        text.append(QChar::ReplacementCharacter);
    } else if (unitSize == 1) {
        // Line feeds end any pending sequence: it comes out as U+FFFD (and whatever bytes of it are
        // characters of their own). A decoder may take one or two of them into the broken sequence,
        // hence four; none of them belongs to the text.
        QString rest = decoder.decode(QByteArrayView("\n\n\n\n"));
        rest.remove(u'\n');
        text.append(rest);
    }
    return text;
}

} // namespace rw
