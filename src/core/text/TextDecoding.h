#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace rw {

// Decodes all of bytes with decoder, which must be fresh. A decoder keeps an incomplete sequence at the
// end for bytes that would follow; for a whole file none follow, so it becomes U+FFFD like any other
// invalid sequence instead of vanishing. unitSize is 2 for UTF-16 and 1 for the byte encodings, which
// must encode "\n" as the byte 0x0A (UTF-8, GB18030).
QString decodeToEnd(QStringDecoder &decoder, QByteArrayView bytes, int unitSize = 1);

} // namespace rw
